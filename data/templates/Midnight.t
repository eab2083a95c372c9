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
<link rel="icon" type="image/png" href="Midnighticon.png">
<link rel="stylesheet" type="text/css" href="styles.css">
<style>
/* Midnight: the night sky around a light page, slate page buttons at the right. The page
   itself stays light so that the text and link colours chosen for the site read well; the
   site's own stylesheet sets them, this only lays the page out. */
* { box-sizing: border-box; }
html { background: #0f1424 url(Midnightstars.png) 0 0 / 240px 240px repeat; }
body { margin: 0; line-height: 1.6; -webkit-text-size-adjust: 100%; }
.frame { max-width: 1160px; margin: 0 auto; padding: 24px 24px 36px; display: grid;
         grid-template-columns: minmax(0, 1fr) 210px; grid-template-areas:
         "head head" "page nav"; align-items: start; gap: 20px 22px; }
.head { grid-area: head; display: flex; align-items: center; gap: 14px 24px; flex-wrap: wrap; }
.logo:has(img) { background: #ffffff; border-radius: 10px; padding: 8px 12px; }
.logo img { display: block; max-height: 70px; max-width: 100%; width: auto; height: auto;
            border: 0; }
.slogan { margin: 0; font-size: 1.5em; line-height: 1.3; }
.slogan, .slogan i { color: #e8eaf6; }
.head:not(:has(img)):has(.slogan i:empty) { display: none; }
.side { grid-area: nav; }
.nav { background: #161d33; border: 1px solid #2f3a5c; border-radius: 12px; padding: 14px;
       position: sticky; top: 16px; }
.nav a { display: block; margin: 0 0 6px; border-radius: 7px; }
.nav a:last-of-type { margin-bottom: 0; }
.nav a:focus-visible { outline: 2px solid #8b7cf6; outline-offset: 2px; }
.nav img { display: block; width: 180px; height: auto; border: 0; }
.nav a:hover img { filter: brightness(1.25); }
.nav br { display: none; }
.page { grid-area: page; }
.content { background: #f6f7fb; border-radius: 12px; padding: 32px 38px 36px;
           overflow-wrap: break-word; box-shadow: 0 12px 40px rgba(0, 0, 0, 0.35); }
.content img, .content table, .content object, .content embed { max-width: 100%; }
.content h1, .content h2, .content h3 { line-height: 1.25; margin: 0.2em 0 0.6em; }
.foot { margin-top: 20px; background: #e9ecf5; border-radius: 12px; padding: 18px 38px;
        line-height: 1.7; }
.foot > div { margin: 0 0 8px; }
.foot .textnav:not(:has(a)) { display: none; }
@media (max-width: 760px) {
  .frame { display: block; padding: 14px 12px 24px; }
  .head { margin-bottom: 14px; }
  .slogan { font-size: 1.2em; }
  .nav { position: static; display: grid; grid-template-columns: repeat(auto-fill,
         minmax(140px, 1fr)); gap: 6px; padding: 10px; margin-bottom: 14px; }
  .nav a { margin: 0; }
  .nav img { width: 100%; }
  .content { padding: 22px 18px; }
  .foot { margin-top: 14px; padding: 16px 18px; }
}
</style>
</head>
<body>
<!--$IMG$-->
Midnighticon.png
Midnightstars.png
<!--$ENDIMG$-->
<div class="frame">
<header class="head">
<div class="logo">
<!--$LOGO$-->
</div>
<p class="slogan">
<!--$SLOGAN$-->
</p>
</header>
<aside class="side">
<nav class="nav" aria-label="Pages">
<!--$NAV$-->
</nav>
</aside>
<div class="page">
<main class="content">
<!--$CONTENT$-->
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
</div>
</div>
</body>
</html>
