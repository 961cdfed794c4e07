#pragma once

#include <string>

// The HTML pages of the stand-in service, UTF-8. The Windows program shows them in the system's
// WebBrowser control (MSHTML, IE 11 at best): each page asks for IE's newest document mode in its
// first elements, and the scripts keep to ECMAScript 5 and to what IE 11 has (no fetch, Promise,
// padStart, includes, Object.assign). tests/devservice/tst_devservice_es5.mjs checks both.
namespace devservice::pages {

// The plan page for account (empty for an anonymous visitor). Its script keeps the globals
// tzIss, tzNums and tzPlan, which change every three seconds, and the object zqMain with
// codesCopy and planCopy, which count their calls and report them to the service.
std::string plan(const std::string &account);

// A plan page without any of those globals.
std::string emptyPlan();

// The root page; it is what the time source serves.
std::string root();

// The registration site's page for a platform code.
std::string registration(const std::string &code);

std::string download();

std::string notFound();

} // namespace devservice::pages
