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
<link rel="icon" type="image/png" href="Meadowicon.png">
<link rel="stylesheet" type="text/css" href="styles.css">
<style>
/* Meadow: a pale green sidebar of page buttons beside the page. The site's own stylesheet
   sets the fonts, text and link colours; this only lays the page out. */
* { box-sizing: border-box; }
html { background: #f4f8ef; }
body { margin: 0; line-height: 1.6; -webkit-text-size-adjust: 100%; }
.page { display: flex; min-height: 100vh; max-width: 1280px; margin: 0 auto; }
.side { flex: 0 0 234px; background: #e9f2e2; border-right: 1px solid #d6e6cb;
        padding: 22px 22px 28px; }
.logo { margin: 0 0 22px; text-align: center; }
.logo img { max-width: 100%; max-height: 110px; width: auto; height: auto; border: 0;
            vertical-align: middle; }
.nav a { display: block; margin: 0 0 6px; border-radius: 9px; }
.nav a:focus-visible { outline: 3px solid #f2c94c; outline-offset: 2px; }
.nav img { display: block; width: 190px; height: auto; border: 0; }
.nav a:hover img { filter: brightness(1.12); }
.nav br { display: none; }
.main { flex: 1 1 auto; min-width: 0; padding: 22px 32px 32px; }
.banner { background: #dff0f7 url(Meadowbanner.jpg) center bottom / cover no-repeat;
          border-radius: 14px; min-height: 150px; padding: 28px 32px 70px; }
.slogan { margin: 0; font-size: 1.7em; line-height: 1.25; max-width: 32em; }
.content { background: #ffffff; border: 1px solid #dfe9d6; border-radius: 14px;
           margin: -40px 0 0; padding: 28px 34px 34px; position: relative;
           box-shadow: 0 6px 18px rgba(61, 122, 79, 0.08); overflow-wrap: break-word; }
.content img, .content table, .content object, .content embed { max-width: 100%; }
.content h1, .content h2, .content h3 { line-height: 1.25; margin: 0.2em 0 0.6em; }
.foot { margin: 26px 0 0; padding: 18px 0 0 26px; border-top: 1px solid #d6e6cb;
        background: url(Meadowleaf.png) 0 20px / 16px 16px no-repeat; line-height: 1.7; }
.foot > div { margin: 0 0 10px; }
.foot .textnav:not(:has(a)) { display: none; }
@media (max-width: 760px) {
  .page { display: block; }
  .side { border-right: 0; border-bottom: 1px solid #d6e6cb; padding: 16px; }
  .logo { margin-bottom: 14px; }
  .logo img { max-height: 80px; }
  .nav { display: grid; grid-template-columns: repeat(auto-fill, minmax(140px, 1fr));
         gap: 6px; }
  .nav a { margin: 0; }
  .nav img { width: 100%; }
  .main { padding: 16px; }
  .banner { padding: 20px 20px 60px; min-height: 120px; }
  .slogan { font-size: 1.35em; }
  .content { margin: -32px 0 0; padding: 20px; }
  .foot { margin: 20px 0 0; }
}
</style>
</head>
<body>
<!--$IMG$-->
Meadowicon.png
Meadowbanner.jpg
Meadowleaf.png
<!--$ENDIMG$-->
<div class="page">
<aside class="side">
<div class="logo">
<!--$LOGO$-->
</div>
<nav class="nav" aria-label="Pages">
<!--$NAV$-->
</nav>
</aside>
<main class="main">
<header class="banner">
<p class="slogan">
<!--$SLOGAN$-->
</p>
</header>
<article class="content">
<!--$CONTENT$-->
</article>
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
</main>
</div>
</body>
</html>
