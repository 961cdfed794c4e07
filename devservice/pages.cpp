#include "pages.h"

#include "text.h"

namespace devservice::pages {

namespace {

const char *const planTemplate = R"HTML(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<title>栖木分分彩做号计划</title>
<style>
body { font-family: "Noto Sans CJK SC", "Microsoft YaHei", sans-serif; margin: 12px; background: #fdfaf3; color: #333; }
h1 { font-size: 18px; color: #b0281a; margin: 0 0 8px; }
.row { margin: 6px 0; }
.label { color: #666; }
#nums { font-size: 20px; font-weight: bold; color: #b0281a; letter-spacing: 1px; }
#plan { background: #fff; border: 1px solid #e3d9c6; padding: 8px; font-size: 14px; }
</style>
</head>
<body>
<h1>栖木分分彩智能做号计划</h1>
<div class="row"><span class="label">账号：</span><span id="account">@ACCOUNT@</span></div>
<div class="row"><span class="label">投注期：</span><span id="iss"></span></div>
<div class="row"><span class="label">投注号码：</span><span id="nums"></span></div>
<pre id="plan"></pre>
<p class="label">计划每3秒更新一次，仅供本地演示。</p>
<script>
var tzIss = "";
var tzNums = "";
var tzPlan = "";
window.zqCodesCopyCalls = 0;
window.zqPlanCopyCalls = 0;

function zqPad(n, width) {
  var s = String(n);
  while (s.length < width) { s = "0" + s; }
  return s;
}

// A small deterministic generator, so every viewer of one period sees the same numbers.
function zqGenerator(start) {
  var state = (start % 2147483646) + 1;
  return function () {
    state = (state * 48271) % 2147483647;
    return state;
  };
}

function zqPick(next, count) {
  var pool = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9];
  var picked = [];
  while (picked.length < count) {
    var i = next() % pool.length;
    picked.push(pool[i]);
    pool.splice(i, 1);
  }
  picked.sort(function (a, b) { return a - b; });
  return picked.map(function (n) { return zqPad(n, 2); });
}

var zqSlot = -1;
function zqRefresh() {
  var now = new Date();
  var slot = Math.floor(now.getTime() / 3000);
  if (slot === zqSlot) { return; }
  zqSlot = slot;
  var day = zqPad(now.getFullYear(), 4) + zqPad(now.getMonth() + 1, 2) + zqPad(now.getDate(), 2);
  var secondOfDay = now.getHours() * 3600 + now.getMinutes() * 60 + now.getSeconds();
  var serial = zqPad(Math.floor(secondOfDay / 3) % 10000, 4);
  var next = zqGenerator(slot);
  var first = zqPick(next, 3);
  var second = zqPick(next, 2);
  var third = zqPick(next, 3);
  tzIss = day + "-" + serial + "期";
  tzNums = first.join(" ") + "*" + second.join(",") + "*" + third.join(" ");
  tzPlan = "栖木计划 第" + serial + "期\n"
         + "万位：" + first.join(" ") + "\n"
         + "千位：" + second.join(",") + "\n"
         + "百位：" + third.join(" ") + "\n"
         + "计划周期：3期";
  document.getElementById("iss").textContent = tzIss;
  document.getElementById("nums").textContent = tzNums;
  document.getElementById("plan").textContent = tzPlan;
}

function zqReport(fn) {
  try {
    var request = new XMLHttpRequest();
    request.open("GET", "/_test/called?fn=" + fn, true);
    request.send();
  } catch (e) {
  }
}

var zqMain = {
  codesCopy: function () {
    window.zqCodesCopyCalls = (window.zqCodesCopyCalls || 0) + 1;
    zqReport("codesCopy");
  },
  planCopy: function () {
    window.zqPlanCopyCalls = (window.zqPlanCopyCalls || 0) + 1;
    zqReport("planCopy");
  }
};

zqRefresh();
setInterval(zqRefresh, 250);
</script>
</body>
</html>
)HTML";

const char *const emptyPlanPage = R"HTML(<!DOCTYPE html>
<html lang="zh-CN">
<head><meta charset="utf-8"><meta http-equiv="X-UA-Compatible" content="IE=edge"><title>栖木分分彩做号计划</title></head>
<body>
<h1>栖木分分彩智能做号计划</h1>
<p>暂无计划，请稍后再来。</p>
</body>
</html>
)HTML";

const char *const rootPage = R"HTML(<!DOCTYPE html>
<html lang="zh-CN">
<head><meta charset="utf-8"><meta http-equiv="X-UA-Compatible" content="IE=edge"><title>zq 本地演示服务</title></head>
<body>
<h1>zq 本地演示服务</h1>
<p>这是栖木客户端的本地演示服务，只在本机 127.0.0.1 上提供服务。</p>
<ul>
<li><a href="/plan.php?u=demo&amp;p=demo123">计划页面（演示账号 demo）</a></li>
<li><a href="/reg.php?g=101">彩票平台开户</a></li>
<li><a href="/a/awddownload.html">软件下载</a></li>
</ul>
</body>
</html>
)HTML";

const char *const downloadPage = R"HTML(<!DOCTYPE html>
<html lang="zh-CN">
<head><meta charset="utf-8"><meta http-equiv="X-UA-Compatible" content="IE=edge"><title>栖木软件下载</title></head>
<body>
<h1>栖木软件下载</h1>
<p>最新版本：v1.7（20180330）。本地演示服务不提供安装包。</p>
</body>
</html>
)HTML";

const char *const notFoundPage = R"HTML(<!DOCTYPE html>
<html lang="zh-CN">
<head><meta charset="utf-8"><meta http-equiv="X-UA-Compatible" content="IE=edge"><title>404</title></head>
<body><h1>404</h1><p>页面不存在。</p></body>
</html>
)HTML";

} // namespace

std::string plan(const std::string &account)
{
    std::string page = planTemplate;
    const std::string marker = "@ACCOUNT@";
    page.replace(page.find(marker), marker.size(), account.empty() ? std::string("游客") : htmlEscape(account));
    return page;
}

std::string emptyPlan()
{
    return emptyPlanPage;
}

std::string root()
{
    return rootPage;
}

std::string registration(const std::string &code)
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head><meta charset=\"utf-8\">"
           "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\"><title>彩票平台开户</title></head>\n"
           "<body>\n<h1>彩票平台开户</h1>\n<p>平台代码：" +
           htmlEscape(code) + "</p>\n<p>本地演示服务不办理真实开户。</p>\n</body>\n</html>\n";
}

std::string download()
{
    return downloadPage;
}

std::string notFound()
{
    return notFoundPage;
}

} // namespace devservice::pages
