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
<link rel="icon" type="image/png" href="Classicicon.png">
<link rel="stylesheet" type="text/css" href="styles.css">
<style>
/* Classic: one centred sheet on paper; masthead, a rule, a row of engraved labels, the text.
   The site's own stylesheet sets the fonts, text and link colours; this only lays it out. */
* { box-sizing: border-box; }
html { background: #efe9dc; }
body { margin: 0; padding: 28px 16px 40px; line-height: 1.65; -webkit-text-size-adjust: 100%; }
.sheet { max-width: 980px; margin: 0 auto; background: #fffdf8; border: 1px solid #d8cfbd;
         box-shadow: 0 2px 14px rgba(80, 60, 30, 0.10); padding: 34px 40px 30px; }
.masthead { text-align: center; }
.logo img { max-width: 100%; max-height: 120px; width: auto; height: auto; border: 0; }
.slogan { margin: 12px 0 0; font-family: "Palatino Linotype", Palatino, P052, Georgia, serif;
          font-size: 1.6em; line-height: 1.3; }
.slogan:has(i:empty) { display: none; }
.rule { display: block; margin: 18px auto; width: 240px; max-width: 80%; height: auto; border: 0; }
.nav { display: flex; flex-wrap: wrap; justify-content: center; gap: 8px 8px;
       padding: 4px 0 22px; border-bottom: 1px solid #e6dcc8; }
.nav a { display: block; }
.nav a:focus-visible { outline: 2px solid #6b1e2e; outline-offset: 2px; }
.nav img { display: block; width: 120px; height: auto; border: 0; }
.nav a:hover img { filter: sepia(0.35) brightness(1.04); }
.nav br { display: none; }
.content { padding: 28px 4px 8px; overflow-wrap: break-word; }
.content img, .content table, .content object, .content embed { max-width: 100%; }
.content h1, .content h2, .content h3 { line-height: 1.3; }
.foot { text-align: center; line-height: 1.7; }
.foot > div { margin: 0 0 10px; }
.foot .textnav:not(:has(a)) { display: none; }
@media (max-width: 700px) {
  body { padding: 0; }
  .sheet { border: 0; box-shadow: none; padding: 22px 16px 24px; min-height: 100vh; }
  .slogan { font-size: 1.3em; }
  .nav { display: grid; grid-template-columns: repeat(auto-fill, minmax(104px, 1fr)); gap: 6px; }
  .nav img { width: 100%; }
  .content { padding: 20px 0 4px; }
}
</style>
</head>
<body>
<div class="sheet">
<header class="masthead">
<div class="logo">
<!--$LOGO$-->
</div>
<p class="slogan">
<!--$SLOGAN$-->
</p>
<img class="rule" src="Classicrule.gif" width="240" height="18" alt="">
</header>
<nav class="nav" aria-label="Pages">
<!--$NAV$-->
</nav>
<main class="content">
<!--$CONTENT$-->
</main>
<img class="rule" src="Classicrule.gif" width="240" height="18" alt="">
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
<!--$IMG$-->
Classicicon.png
Classicrule.gif
<!--$ENDIMG$-->
</body>
</html>
