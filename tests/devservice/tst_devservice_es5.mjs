// The stand-in service's pages run in the Windows WebBrowser control (MSHTML, IE 11) too, whose
// script engine knows ECMAScript 5 and nothing newer. This runs the real service, fetches every
// page it serves (and every page those link to), and parses each inline script, event handler
// attribute and external script as ECMAScript 5. Each page must also ask IE for its newest
// document mode before anything that would fix an older one.
//
//   node tst_devservice_es5.mjs <zq-devservice>
//
// acorn comes from scripts/es5check/node_modules, which scripts/setup.sh installs.

import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { createInterface } from 'node:readline';

// Pages no other page links to, and the plan page in each of its forms.
const StartPages = [
    '/',
    '/plan.php?u=demo&p=demo123',
    '/plan.php?u=&p=',
    '/plan_empty.html',
    '/reg.php?g=x',
    '/a/awddownload.html',
    '/no-such-page.html',
];

// What IE 11 lacks but the parser would take for ordinary names: globals (fetch) and methods
// (s.padStart, Object.assign, Array.from).
const GlobalsMissingInIe = new Set([
    'fetch', 'Promise', 'Symbol', 'Map', 'Set', 'WeakMap', 'WeakSet', 'Proxy', 'Reflect', 'URLSearchParams',
    'requestIdleCallback',
]);
const MethodsMissingInIe = new Set([
    'padStart', 'padEnd', 'includes', 'startsWith', 'endsWith', 'repeat', 'trimStart', 'trimEnd', 'codePointAt',
    'assign', 'from', 'find', 'findIndex', 'flat', 'flatMap',
]);

const XUaCompatible = /^<meta\s+http-equiv\s*=\s*"X-UA-Compatible"\s+content\s*=\s*"IE=edge"\s*\/?>/i;

let acorn;
try {
    acorn = createRequire(new URL('../../scripts/es5check/package.json', import.meta.url))('acorn');
} catch (error) {
    console.error(`acorn is not installed (scripts/setup.sh installs it): ${error.message}`);
    process.exit(1);
}

const failures = [];
const fail = (what) => {
    failures.push(what);
    console.log(`FAIL  ${what}`);
};

function startService(program) {
    return new Promise((resolve, reject) => {
        const child = spawn(program, ['0'], { stdio: ['ignore', 'pipe', 'inherit'] });
        const timer = setTimeout(() => {
            child.kill('SIGTERM');
            reject(new Error('zq-devservice did not report its port'));
        }, 10000);
        child.on('error', (error) => {
            clearTimeout(timer);
            reject(error);
        });
        child.on('exit', (code) => {
            clearTimeout(timer);
            reject(new Error(`zq-devservice ended with ${code} before it listened`));
        });
        createInterface({ input: child.stdout }).on('line', (line) => {
            const match = /^listening on (\d+)$/.exec(line);
            if (match) {
                clearTimeout(timer);
                child.removeAllListeners('exit');
                resolve({ child, base: `http://127.0.0.1:${match[1]}` });
            }
        });
    });
}

function decodeEntities(text) {
    return text.replace(/&(#x[0-9a-f]+|#[0-9]+|quot|apos|amp|lt|gt);/gi, (whole, name) => {
        if (name[0] === '#')
            return String.fromCodePoint(/^#x/i.test(name) ? parseInt(name.slice(2), 16) : Number(name.slice(1)));
        return { quot: '"', apos: "'", amp: '&', lt: '<', gt: '>' }[name.toLowerCase()];
    });
}

function attribute(attributes, name) {
    const match = new RegExp(`(?:^|\\s)${name}\\s*=\\s*(?:"([^"]*)"|'([^']*)'|([^\\s"'>]+))`, 'i').exec(attributes);
    return match ? decodeEntities(match[1] ?? match[2] ?? match[3]) : null;
}

// The names above that a script uses; the tree is plain objects, so no walker library is needed.
function missingNames(node, found = new Set()) {
    if (Array.isArray(node)) {
        node.forEach((child) => missingNames(child, found));
        return found;
    }
    if (!node || typeof node.type !== 'string')
        return found;
    if (node.type === 'Identifier' && GlobalsMissingInIe.has(node.name))
        found.add(node.name);
    for (const [key, child] of Object.entries(node)) {
        // x.name is never a global: it is taken for the method of that name, whoever's it is.
        // An object literal's own keys ({from: 1}) are neither.
        if (key === 'property' && node.type === 'MemberExpression' && !node.computed) {
            if (MethodsMissingInIe.has(child.name))
                found.add(`.${child.name}`);
        } else if (!(key === 'key' && node.type === 'Property' && !node.computed)) {
            missingNames(child, found);
        }
    }
    return found;
}

let scripts = 0;
function checkScript(where, source, options = {}) {
    scripts += 1;
    let tree;
    try {
        tree = acorn.parse(source, { ecmaVersion: 5, sourceType: 'script', ...options });
    } catch (error) {
        const line = source.split('\n')[(error.loc?.line ?? 1) - 1] ?? '';
        fail(`${where}: not ECMAScript 5: ${error.message}\n        ${line.trim()}`);
        return;
    }
    const names = [...missingNames(tree)];
    if (names.length > 0)
        fail(`${where}: uses what IE 11 does not have: ${names.join(', ')}`);
    else
        console.log(`ok    ${where}`);
}

async function get(url) {
    const response = await fetch(url);
    return { status: response.status, type: response.headers.get('content-type') ?? '', body: await response.text() };
}

// linked: found through a link, where something other than a page (a download) is no fault.
async function checkPage(url, pages, linked) {
    const page = await get(url);
    if (!page.type.startsWith('text/html')) {
        if (!linked)
            fail(`${url}: answered ${page.status} ${page.type}, not a page`);
        return;
    }
    const html = page.body;

    const head = /<head\b[^>]*>([\s\S]*?)<\/head\s*>/i.exec(html);
    if (!head) {
        fail(`${url}: no <head>`);
    } else {
        // IE honours the mode only where nothing but other <meta> elements and the <title> come before it.
        const lead = /^\s*(?:(?:<meta\b(?![^>]*X-UA-Compatible)[^>]*>|<title\b[^>]*>[^<]*<\/title\s*>)\s*)*/i;
        if (!XUaCompatible.test(head[1].slice(lead.exec(head[1])[0].length)))
            fail(`${url}: no <meta http-equiv="X-UA-Compatible" content="IE=edge"> before the head's other elements`);
        else
            console.log(`ok    ${url}: X-UA-Compatible IE=edge`);
    }

    let index = 0;
    for (const match of html.matchAll(/<script\b([^>]*)>([\s\S]*?)<\/script\s*>/gi)) {
        index += 1;
        const type = attribute(match[1], 'type');
        if (type !== null && !/^(text|application)\/(javascript|ecmascript)$/i.test(type.trim()))
            continue;
        const src = attribute(match[1], 'src');
        if (src !== null) {
            const external = new URL(src, url);
            const script = await get(external);
            if (script.status !== 200)
                fail(`${url}: script ${external} answered ${script.status}`);
            else
                checkScript(`${url}: script ${external}`, script.body);
        }
        if (match[2].trim() !== '')
            checkScript(`${url}: inline script ${index}`, match[2]);
    }

    // Event handler attributes are script bodies of their own, and so are javascript: links.
    for (const match of html.matchAll(/<([a-z][a-z0-9]*)\b([^>]*)>/gi)) {
        const [, tag, attributes] = match;
        for (const handler of attributes.matchAll(/(?:^|\s)(on[a-z]+)\s*=\s*(?:"([^"]*)"|'([^']*)')/gi))
            checkScript(`${url}: <${tag} ${handler[1]}>`, decodeEntities(handler[2] ?? handler[3]),
                        { allowReturnOutsideFunction: true });
        const link = /^(a|area)$/i.test(tag) ? attribute(attributes, 'href')
                   : /^i?frame$/i.test(tag) ? attribute(attributes, 'src') : null;
        if (link === null)
            continue;
        if (/^\s*javascript:/i.test(link)) {
            checkScript(`${url}: <${tag}> ${link.trim().slice(0, 40)}`, link.replace(/^\s*javascript:/i, ''));
            continue;
        }
        const target = new URL(link, url);
        target.hash = '';
        if (target.origin === new URL(url).origin && !target.pathname.startsWith('/_test/'))
            pages.add(target.href);
    }
}

const program = process.argv[2];
if (!program) {
    console.error('usage: node tst_devservice_es5.mjs <zq-devservice>');
    process.exit(2);
}

const { child, base } = await startService(program);
try {
    const starts = StartPages.map((path) => new URL(path, base).href);
    const pages = new Set(starts);
    const done = new Set();
    for (let pending = starts; pending.length > 0; pending = [...pages].filter((page) => !done.has(page))) {
        for (const url of pending) {
            done.add(url);
            await checkPage(url, pages, !starts.includes(url));
        }
    }
    // A page whose scripts were never found would pass without a look at them.
    if (scripts === 0)
        fail('no script found in any page');
    console.log(`${done.size} pages, ${scripts} scripts, ${failures.length} failed`);
} finally {
    child.kill('SIGTERM');
}
process.exitCode = failures.length === 0 ? 0 : 1;
