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
<link rel="icon" type="image/png" href="Harbouricon.png">
<link rel="stylesheet" type="text/css" href="styles.css">
<style>
/* Harbour: a white top bar with the logo and slogan, a navy strip of page tabs, the sea, and
   the page on it. The site's own stylesheet sets the fonts, text and link colours; this only
   lays the page out. */
* { box-sizing: border-box; }
html { background: #eef2f6; }
body { margin: 0; line-height: 1.6; -webkit-text-size-adjust: 100%; }
.top { background: #ffffff; border-bottom: 1px solid #dbe3ea; }
.top-in { max-width: 1080px; margin: 0 auto; padding: 14px 24px; display: flex;
          align-items: center; justify-content: space-between; gap: 12px 32px; flex-wrap: wrap; }
.logo img { max-height: 72px; max-width: 100%; width: auto; height: auto; border: 0;
            vertical-align: middle; }
.slogan { margin: 0; font-size: 1.35em; line-height: 1.3; text-align: right; }
.top:not(:has(img)):has(.slogan i:empty) { display: none; }
.nav { background: #12355b; padding: 6px 12px; display: flex; flex-wrap: wrap;
       justify-content: center; gap: 2px 4px; }
.nav a { display: block; }
.nav a:focus-visible { outline: 2px solid #35c2cf; outline-offset: 1px; }
.nav img { display: block; width: 84px; height: auto; border: 0; }
.nav a:hover img { filter: brightness(1.2); }
.nav br { display: none; }
.sea { height: 190px; background: #3f7fb0 url(Harbourbanner.jpg) center bottom / cover no-repeat; }
.main { max-width: 1080px; margin: -120px auto 0; padding: 0 24px 32px; }
.content { background: #ffffff; border-radius: 10px; padding: 32px 40px 36px;
           box-shadow: 0 10px 30px rgba(18, 53, 91, 0.14); overflow-wrap: break-word; }
.content img, .content table, .content object, .content embed { max-width: 100%; }
.content h1, .content h2, .content h3 { line-height: 1.25; margin: 0.2em 0 0.6em; }
.foot { max-width: 1080px; margin: 0 auto; padding: 4px 24px 36px; display: flex;
        flex-wrap: wrap; gap: 16px 40px; justify-content: space-between; line-height: 1.7; }
.foot .textnav { flex: 1 1 100%; border-bottom: 1px solid #dbe3ea; padding-bottom: 12px; }
.foot .textnav:not(:has(a)) { display: none; }
.foot .made { text-align: right; }
@media (max-width: 720px) {
  .top-in { padding: 12px 16px; justify-content: center; text-align: center; }
  .slogan { text-align: center; font-size: 1.15em; }
  .nav { padding: 6px; }
  .nav img { width: 78px; }
  .sea { height: 120px; }
  .main { margin-top: -70px; padding: 0 12px 24px; }
  .content { padding: 22px 18px; }
  .foot { padding: 4px 16px 28px; display: block; }
  .foot > div { margin-bottom: 12px; }
  .foot .made { text-align: left; }
}
</style>
</head>
<body>
<!--$IMG$-->
Harbouricon.png
Harbourbanner.jpg
<!--$ENDIMG$-->
<header class="top">
<div class="top-in">
<div class="logo">
<!--$LOGO$-->
</div>
<p class="slogan">
<!--$SLOGAN$-->
</p>
</div>
</header>
<nav class="nav" aria-label="Pages">
<!--$NAV$-->
</nav>
<div class="sea"></div>
<main class="main">
<article class="content">
<!--$CONTENT$-->
</article>
</main>
<footer class="foot">
<div class="textnav">
<!--$TEXTNAV$-->
</div>
<div class="copy">
<!--$COPYBOTTOM$-->
</div>
<div class="made">
<!--$MADE$-->
</div>
</footer>
</body>
</html>
