// Runs the navigation scripts of published sites as a browser would and checks their links.
// Arguments: a file with a line per website directory and template name (UTF-8, in hex,
// after a tab), and a file with a line per page: its file and its picture's suffix.
// Runs each directory's mainnav.js with a document that collects what it writes, then
// resolves every href and src against the page's address as a browser does: each must lead
// to its page and to the template's picture of it, a file in the directory.
const fs = require("fs"), path = require("path"), vm = require("vm");
const [checks, pages] = process.argv.slice(2).map(
  (file) => fs.readFileSync(file, "utf8").trim().split("\n"));
const references = { amp: "&", lt: "<", gt: ">", quot: "\"" };
const decode = (text) => text.replace(/&(amp|lt|gt|quot);/g, (_, name) => references[name]);
const target = (html, attribute) => {
  const found = new RegExp(" " + attribute + "=\"([^\"]*)\"").exec(html);
  if (!found) return "(none)";
  const url = new URL(decode(found[1]), "http://host/site/page.html");
  return url.host === "host" && url.pathname.startsWith("/site/") && !url.search && !url.hash
    ? decodeURIComponent(url.pathname.slice(6))
    : "(elsewhere: " + url.href + ")";
};
let failures = 0;
for (const line of checks) {
  const [dir, hex] = line.split("\t");
  const name = Buffer.from(hex, "hex").toString("utf8");
  const written = [];
  try {
    new vm.Script(fs.readFileSync(path.join(dir, "mainnav.js"), "utf8"))
      .runInNewContext({ document: { write: (html) => written.push(html) } });
  } catch (error) {
    console.log(JSON.stringify(name) + ": " + error);
    failures++;
    continue;
  }
  pages.forEach((page, index) => {
    const [file, suffix] = page.split("\t");
    const html = written[index] || "";
    const href = target(html, "href"), src = target(html, "src");
    if (href !== file || src !== name + suffix || !fs.existsSync(path.join(dir, src))) {
      console.log(JSON.stringify(name) + ": " + href + " " + src);
      failures++;
    }
  });
}
console.log(failures ? "failed" : "all " + checks.length + " scripts parse and link");
