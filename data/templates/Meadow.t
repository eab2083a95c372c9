<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="windows-1252">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>
<!--$TITLE$-->
</title>
<!--$DESCRIPTION$-->
<!--$KEYWORDS$-->
<!--$COPYRIGHT$-->
<link rel="stylesheet" type="text/css" href="styles.css">
<script>document.documentElement.className = "js";</script>
<style>
/* --- Shared by every design: the page's parts and what the page tools put into the text.
   The site's own stylesheet (styles.css) sets the fonts, the text and link colours, the
   list style for bullets and the picture borders; this keeps them and lays them out. */
@property --text-size { syntax: "<length>"; inherits: true; initial-value: 16px; }
* { box-sizing: border-box; }
html { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }
body { --text-size: 1em; margin: 0; line-height: 1.6; overflow-wrap: break-word; }
:focus-visible { outline: 3px solid var(--focus); outline-offset: 2px; }
.skip[href] { position: absolute; left: 8px; top: -200px; z-index: 10; padding: 12px 18px;
              background: #ffffff; color: #111111; border-radius: 0 0 6px 6px;
              text-decoration: underline; }
.skip[href]:focus { top: 0; }
.logo:not(:has(img)), .slogan:has(i:empty), .sitename:empty, .textnav:not(:has(a)) {
  display: none; }
.logo img { border: 0; max-width: 100%; width: auto; height: auto; vertical-align: middle; }
.sitename, .slogan { margin: 0; }
.nav a { display: block; position: relative; }
.nav img { display: block; border: 0; height: auto; }
.nav br { display: none; }
.menu-button { display: none; }
.measure { max-width: 62ch; }
.caption { margin: 0 0 0.7em; font-size: 2.1em; line-height: 1.2; }
.content > :first-child { margin-top: 0; }
.content h1, .content h2, .content h3, .content h4, .content h5, .content h6 {
  margin: 1.3em 0 0.45em; line-height: 1.25; }
.content h1 { font-size: 1.7em; }
.content h2 { font-size: 1.4em; }
.content h3 { font-size: 1.2em; }
.content h4 { font-size: 1.05em; }
.content h5 { font-size: 1em; }
.content h6 { font-size: 0.875em; text-transform: uppercase; letter-spacing: 0.06em; }
.content p { margin: 0 0 1em; }
.content a[href] { font-size: inherit; font-family: inherit; }
.content a[href], .copy a[href], .made a[href] {
  text-decoration-line: underline; text-underline-offset: 0.15em; }
.content ul, .content ol { margin: 0 0 1em; padding-left: 1.75em; }
.content li { margin: 0.2em 0; }
.content ol { list-style-type: decimal; }
.content ol[type="a" s] { list-style-type: lower-alpha; }
.content ol[type="A" s] { list-style-type: upper-alpha; }
.content ol[type="i" s] { list-style-type: lower-roman; }
.content ol[type="I" s] { list-style-type: upper-roman; }
.content ol > li { list-style-type: inherit; }
.content table { border-collapse: collapse; border: 1px solid var(--rule); margin: 0 0 1.2em;
                 max-width: 100%; }
.content td, .content th { border: 1px solid var(--rule); padding: 0.4em 0.75em;
                           vertical-align: top; }
.content th { background: var(--tint); }
.content blockquote { margin: 0 0 1em; padding: 0.3em 0 0.3em 1.1em;
                      border-left: 4px solid var(--accent); font-style: italic; }
.content pre { margin: 0 0 1em; padding: 0.75em 1em; background: var(--tint);
               border-radius: 4px; white-space: pre-wrap; overflow-wrap: anywhere;
               line-height: 1.45; }
.content img, .content object, .content embed, .content video, .content iframe {
  max-width: 100%; }
.content img { height: auto; }
.content hr { height: 0; border: 0; border-top: 1px solid var(--rule); margin: 1.6em 0; }
.content marquee { display: block; margin: 0 0 1em; padding: 0.4em 0.8em;
                   background: var(--tint); }
.content input, .content select, .content textarea, .content button { font: inherit;
  max-width: 100%; }
.content input[type="text"], .content select, .content textarea {
  min-height: 2.6em; padding: 0.35em 0.6em; border: 1px solid #767676; border-radius: 4px;
  background: #ffffff; color: #111111; }
.content textarea { display: block; width: 100%; min-height: 6em; margin-top: 0.3em; }
.content input[type="checkbox"], .content input[type="radio"] { width: 1.2em;
  height: 1.2em; margin: 0 0.35em 0 0; vertical-align: -0.2em; accent-color: var(--accent); }
.content input[type="submit"], .content input[type="reset"], .content button {
  min-height: 44px; padding: 0.45em 1.3em; border: 2px solid var(--accent);
  border-radius: 6px; background: var(--accent); color: var(--on-accent); cursor: pointer; }
.content input[type="reset"] { background: transparent; color: var(--accent); }
.textnav { display: flex; flex-wrap: wrap; gap: 0.15em 0.3em; }
.textnav font { font-size: 0 !important; }
.textnav a { display: inline-block; padding: 0.2em 0.45em; font-size: var(--text-size); }
.textnav a[aria-current] { font-weight: bold; text-decoration-line: underline;
                           text-decoration-thickness: 2px; text-underline-offset: 0.3em; }
.copy font, .made font { font-size: calc(var(--text-size) * 0.9) !important;
                         font-family: inherit !important; }
@media (max-width: 700px) {
  .js .menu-button { display: flex; align-items: center; justify-content: center; gap: 10px;
                     min-height: 44px; padding: 0 20px; font: inherit; font-weight: bold;
                     cursor: pointer; }
  .menu-button::before { content: ""; width: 18px; height: 12px;
    background: linear-gradient(currentColor 0 0) top / 100% 2px no-repeat,
                linear-gradient(currentColor 0 0) center / 100% 2px no-repeat,
                linear-gradient(currentColor 0 0) bottom / 100% 2px no-repeat; }
  .js .nav { display: none; }
  .js.menu-open .nav { display: flex; }
  .nav { flex-wrap: wrap; justify-content: center; }
  .content input[type="text"], .content select { min-height: 44px; }
  .textnav a, .copy a, .made a { display: inline-flex; align-items: center; min-height: 44px; }
}
@media print {
  html, body, .sheet, .page, main { background: #ffffff !important; box-shadow: none !important; }
  .skip, .menu-button, .nav, .textnav, .made { display: none !important; }
  .measure { max-width: none; }
  .content a[href^="http"]::after { content: " (" attr(href) ")"; font-size: 0.85em; }
}
/* --- Meadow: a pale green side bar with the name and a column of page buttons beside the
   page; a band of green hills holds the slogan. */
html { --accent: #2f6b40; --on-accent: #ffffff; --focus: #2f6b40; --rule: #cfe0c3;
       --tint: #f0f6ea; background: #f4f8ef; }
.page { display: flex; min-height: 100vh; max-width: 1280px; margin: 0 auto; }
.side { flex: 0 0 240px; background: #e9f2e2; border-right: 1px solid #d6e6cb;
        padding: 24px 25px 28px; }
.logo { margin: 0 0 14px; text-align: center; }
.logo img { max-height: 100px; }
.sitename { margin: 0 0 20px; font-size: 1.45em; font-weight: bold; line-height: 1.2;
            color: #1f4d2b; text-align: center; }
.nav a { margin: 0 0 6px; border-radius: 9px; }
.nav img { width: 190px; }
.nav a:hover img { filter: brightness(1.12); }
.nav a[aria-current]::after { content: ""; position: absolute; left: -12px; top: 6px;
                              bottom: 6px; width: 5px; border-radius: 3px;
                              background: #1f4d2b; }
.menu-button { width: 100%; border: 1px solid #3d7a4f; border-radius: 9px;
               background: #3d7a4f; color: #ffffff; }
.column { flex: 1 1 auto; min-width: 0; padding: 24px 32px 32px; }
.banner { background: #dff0f7 url(Meadowbanner.jpg) center bottom / cover no-repeat;
          border-radius: 14px; min-height: 150px; padding: 26px 32px 70px; }
.slogan { font-size: 1.6em; line-height: 1.25; max-width: 30em; color: #1f4d2b; }
main { background: #ffffff; border: 1px solid #dfe9d6; border-radius: 14px;
       margin: -40px 0 0; padding: 32px 40px 38px; position: relative; min-height: 320px;
       box-shadow: 0 6px 18px rgba(61, 122, 79, 0.08); }
.caption { color: #1f4d2b; }
.foot { margin: 26px 0 0; padding: 18px 0 0 26px; border-top: 1px solid #d6e6cb;
        background: url(Meadowleaf.png) 0 22px / 16px 16px no-repeat; line-height: 1.7; }
.foot > div, .foot > nav { margin: 0 0 10px; }
@media (max-width: 700px) {
  .page { display: block; }
  .side { border-right: 0; border-bottom: 1px solid #d6e6cb; padding: 16px; }
  .logo img { max-height: 64px; }
  .sitename { margin-bottom: 12px; font-size: 1.3em; }
  .nav { padding-top: 12px; gap: 6px; flex-direction: column; align-items: center; }
  .nav a { margin: 0; }
  .nav img { width: auto; height: 46px; }
  .nav a[aria-current]::after { left: -14px; }
  .column { padding: 14px 10px 24px; }
  .banner { padding: 18px 18px 56px; min-height: 110px; }
  .slogan { font-size: 1.25em; }
  main { margin-top: -32px; padding: 22px 18px; min-height: 0; }
  .caption { font-size: 1.8em; }
  .foot { margin: 20px 6px 0; }
}
@media print {
  .side, .banner { display: none; }
  .column, main { padding: 0; margin: 0; border: 0; }
}
</style>
</head>
<body>
<a class="skip" href="#main">Skip to the text</a>
<div class="page">
<aside class="side">
<div class="logo">
<!--$LOGO$-->
</div>
<p class="sitename" id="sitename">
<!--$TITLE$-->
</p>
<button class="menu-button" type="button" aria-expanded="false" aria-controls="pages">Menu</button>
<nav class="nav" id="pages" aria-label="Pages">
<!--$NAV$-->
</nav>
</aside>
<div class="column">
<header class="banner">
<p class="slogan">
<!--$SLOGAN$-->
</p>
</header>
<main id="main">
<div class="measure">
<h1 class="caption" id="caption">
<!--$TITLE$-->
</h1>
<div class="content" data-picture-sizes="(max-width: 700px) calc(100vw - 58px)">
<!--$CONTENT$-->
</div>
</div>
</main>
<footer class="foot">
<nav class="textnav" aria-label="All pages">
<!--$TEXTNAV$-->
</nav>
<div class="copy">
<!--$COPYBOTTOM$-->
</div>
<div class="made">
<!--$MADE$-->
</div>
</footer>
</div>
</div>
<!--$IMG$-->
Meadowbanner.jpg
Meadowleaf.png
<!--$ENDIMG$-->
<script>
/* The page's caption and the site's name, from the title the page was given ("Site =
   Caption"); the page being shown, marked in both navigations; the menu button that folds
   the page buttons away on a phone. */
(function () {
  var title = document.title, cut = title.lastIndexOf(" = ");
  if (cut >= 0) {
    document.getElementById("caption").textContent = title.slice(cut + 3);
    document.getElementById("sitename").textContent = title.slice(0, cut);
  }
  var here = location.pathname.split("/").pop() || "home.html";
  var links = document.querySelectorAll(".nav a, .textnav a");
  for (var i = 0; i < links.length; i++) {
    if (links[i].getAttribute("href") === here) links[i].setAttribute("aria-current", "page");
  }
  var button = document.querySelector(".menu-button");
  button.onclick = function () {
    var open = button.getAttribute("aria-expanded") !== "true";
    button.setAttribute("aria-expanded", open ? "true" : "false");
    document.documentElement.classList.toggle("menu-open", open);
  };
})();
</script>
</body>
</html>
