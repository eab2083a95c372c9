#!/usr/bin/env python3
"""Writes the two sides of the Hugo comparison for one page size: a Corvanta project (business
site, all fourteen pages ticked, template Classic) and a Hugo site with the same fourteen
bodies as HTML content, a small page design whose every page lists all pages, and the same
pictures (beside the project / in static/).

Usage: make_sites.py CORVANTA_CLI HOME PAGE_BYTES OUT_DIR
  writes OUT_DIR/corvanta/bakery.cvp (and 1.dat to 14.dat, pictures/) and OUT_DIR/hugo/."""

import json
import os
import subprocess
import sys

PAGES = [("home", "Home"), ("contact", "Contact"), ("about", "About"), ("events", "Events"),
         ("downloads", "Downloads"), ("faq", "FAQ"), ("links", "Links"), ("gallery", "Gallery"),
         ("portfolio", "Portfolio"), ("products", "Products"), ("services", "Services"),
         ("press", "Press"), ("support", "Support"), ("jobs", "Jobs")]
BREADS = ["sourdough", "rye", "baguette", "brioche", "focaccia", "ciabatta", "pretzel",
          "croissant", "pumpernickel", "challah", "bagel", "scone", "muffin", "stollen"]


def body(page_index, size):
    """Bakery text with tags and links on every line, CR LF line ends, cut at `size` bytes."""
    lines = []
    length = 0
    n = 0
    while length < size:
        bread = BREADS[(page_index + n) % len(BREADS)]
        other = PAGES[(page_index + n + 1) % len(PAGES)][0]
        if n % 4 == 0:
            line = ('<h2>Our %s, batch %d</h2><p><img src="pictures/%s.jpg" alt="%s" '
                    'width="120"> Baked at dawn with <b>stone-ground</b> flour.</p>'
                    % (bread, n, bread, bread))
        elif n % 4 == 1:
            line = ('<p>Ask for the <a href="%s.html">%s</a> page, or read about '
                    '<em>%s</em> in <a href="https://example.org/bread/%s">the guide</a>.</p>'
                    % (other, other, bread, bread))
        elif n % 4 == 2:
            line = ('<ul><li><a href="products.html#%s">%s</a> at <strong>3.20</strong></li>'
                    '<li><a href="contact.html">Order ahead</a></li></ul>' % (bread, bread))
        else:
            line = ('<p class="note">Fresh %s every morning from six; closed on '
                    '<i>Mondays</i>. <a href="mailto:bake@example.org">Write to us</a>.</p>'
                    % bread)
        lines.append(line)
        length += len(line) + 2
        n += 1
    return ("\r\n".join(lines) + "\r\n").encode("ascii")[:size]


def main():
    cli, home, size, out = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    project_dir = os.path.join(out, "corvanta")
    hugo_dir = os.path.join(out, "hugo")
    os.makedirs(os.path.join(project_dir, "pictures"), exist_ok=True)
    for folder in ("content", "layouts/_default", "static/pictures"):
        os.makedirs(os.path.join(hugo_dir, folder), exist_ok=True)
    picture = b"\xff\xd8\xff\xe0" + bytes(range(256)) * 40 + b"\xff\xd9"
    for bread in BREADS:
        for folder in (os.path.join(project_dir, "pictures"),
                       os.path.join(hugo_dir, "static/pictures")):
            with open(os.path.join(folder, bread + ".jpg"), "wb") as f:
                f.write(picture)

    project = os.path.join(project_dir, "bakery.cvp")
    subprocess.run([cli, "--home", home, "new", project], check=True)
    fields = json.loads(subprocess.run([cli, "--home", home, "show", project], check=True,
                                       capture_output=True).stdout)
    fields.update(siteType="Business", siteTitle="The Corner Bakery",
                  slogan="Bread since 1952", copyrightYears="2024",
                  businessPages=[True] * 14, addTextNavigation=True)
    with open(os.path.join(out, "bakery.json"), "w") as f:
        json.dump(fields, f)
    subprocess.run([cli, "--home", home, "import", os.path.join(out, "bakery.json"), project],
                   check=True)

    with open(os.path.join(hugo_dir, "config.toml"), "w") as f:
        f.write('baseURL = "/"\ntitle = "The Corner Bakery"\nuglyURLs = true\n'
                'disableKinds = ["taxonomy", "term", "RSS", "sitemap", "robotsTXT", "404"]\n')
    design = ('<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>{{ .Site.Title }} = '
              '{{ .Title }}</title><link rel="stylesheet" href="/styles.css"></head><body>\n'
              '<h1>{{ .Site.Title }}</h1><i>Bread since 1952</i>\n<ul class="nav">'
              '{{ range .Site.RegularPages.ByWeight }}<li><a href="{{ .RelPermalink }}">'
              '{{ .Title }}</a></li>{{ end }}</ul>\n<div class="content">\n%s\n</div>\n'
              '<p>&copy; 2024 by {{ .Site.Title }}.</p></body></html>\n')
    with open(os.path.join(hugo_dir, "layouts/_default/single.html"), "w") as f:
        f.write(design % "{{ .Content }}")
    with open(os.path.join(hugo_dir, "layouts/index.html"), "w") as f:
        f.write(design % '{{ with .Site.GetPage "/home" }}{{ .Content }}{{ end }}')
    with open(os.path.join(hugo_dir, "static/styles.css"), "w") as f:
        f.write("body { font-family: arial, sans-serif; }\n.nav li { display: inline; }\n")

    for index, (name, title) in enumerate(PAGES):
        text = body(index, size)
        with open(os.path.join(project_dir, "%d.dat" % (index + 1)), "wb") as f:
            f.write(text)
        with open(os.path.join(hugo_dir, "content", name + ".html"), "wb") as f:
            f.write(b'---\ntitle: "%s"\nweight: %d\n---\n' % (title.encode(), index + 1) + text)


main()
