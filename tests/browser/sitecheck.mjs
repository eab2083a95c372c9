// Publishes one site with every installed template and looks at each in headless Chromium,
// as a visitor's browser would: every page loads without a console error, the picture
// navigation shows fourteen links whose pictures load, the text navigation lists the fourteen
// captions separated by " :: ", every link leads to a page that exists, the site's stylesheet
// reaches the page, and nothing is wider than a phone's screen. A screenshot of each home
// page, on a desk and on a phone, is kept for a person to look at.
//
// Usage: node sitecheck.mjs CORVANTA_CLI DATA_DIR ARTIFACT_DIR
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const [cli, dataDir, artifactDir] = process.argv.slice(2).map((p) => path.resolve(p));
if (!cli || !dataDir || !artifactDir) {
  console.error('Usage: node sitecheck.mjs CORVANTA_CLI DATA_DIR ARTIFACT_DIR');
  process.exit(2);
}
const here = path.dirname(fileURLToPath(import.meta.url));

const captions = ['Home', 'Contact', 'About', 'Events', 'Downloads', 'FAQ', 'Links', 'Gallery',
  'Portfolio', 'Products', 'Services', 'Press', 'Support', 'Jobs'];
const pageFile = (caption) => `${caption.toLowerCase()}.html`;

// The project's facts as the user would type them; the slogan holds a Windows-1252 letter
// (an em dash, byte 0x97) to show that the pages declare their character set.
const site = {
  title: 'Linden Street Bakery',
  description: 'Bread, cakes and pastries baked every morning in Linden Street',
  keywords: 'bakery, bread, cakes, sourdough',
  copyright: '2025, 2026',
  slogan: 'Baked fresh every morning \u2014 since 1987',
  fontPosition: 4, // "verdana, helvetica, arial"
  fontFamily: 'verdana, helvetica, arial',
  fontSizePosition: 22, // "14"
  fontSize: '14px',
  linkColor: [0x1a, 0x6e, 0xc8],
};
const linkColorText = '#' + site.linkColor.map((c) => c.toString(16).padStart(2, '0')).join('').toUpperCase();

function pageBody(caption) {
  const lines = [
    `<h1>${caption}</h1>`,
    '<p>Welcome to the <b>Linden Street Bakery</b>. We bake bread, cakes and pastries every',
    'morning from flour milled down the road. Read <a href="contact.html">how to find us</a>',
    'or look at our <a href="gallery.html">gallery</a>.</p>',
    '<h2>Opening hours</h2>',
    '<ul>',
    '     <li>Monday to Friday: 7 to 18',
    '     <li>Saturday: 8 to 14',
    '</ul>',
    '<p>Fresh sourdough every day, rye on Thursdays, and a cake of the week at &euro; 3.50 a slice,',
    'chosen by our customers. <a href="mailto:hello@linden.example">Write to us</a>.</p>',
  ];
  return lines.join('\r\n');
}

// --- the project file, written as the program's Save Project writes it -------------------

function shortText(record, offset, text) {
  const bytes = Buffer.from(text, 'latin1');
  record[offset] = bytes.length;
  bytes.copy(record, offset + 1);
}

function cp1252(text) {
  return text.replace(/\u2014/g, '\x97');
}

function makeProject(dir, templatePosition, logoPath) {
  const projectPath = path.join(dir, 'bakery.cvp');
  execFileSync(cli, ['--home', dataDir, 'new', projectPath]);
  const record = fs.readFileSync(projectPath);
  if (record.length !== 1664) throw new Error(`new project has ${record.length} bytes`);
  record[0] = 1; // a business site
  record[1] = templatePosition;
  shortText(record, 2, site.title);
  shortText(record, 258, site.description);
  shortText(record, 514, site.keywords);
  shortText(record, 770, site.copyright);
  shortText(record, 1026, logoPath);
  shortText(record, 1282, cp1252(site.slogan));
  record[1538] = site.fontPosition;
  record[1552] = site.fontSizePosition;
  shortText(record, 1554, linkColorText);
  record.writeUInt32LE(site.linkColor[0] | (site.linkColor[1] << 8) | (site.linkColor[2] << 16), 1564);
  record[1632] = 1; // text navigation
  record[1633] = 1; // copyright footer
  for (let page = 0; page < 14; ++page) record[1645 + page] = 1; // every business tick
  fs.writeFileSync(projectPath, record);
  captions.forEach((caption, i) =>
    fs.writeFileSync(path.join(dir, `${i + 1}.dat`), Buffer.from(pageBody(caption), 'latin1')));
  return projectPath;
}

// --- the template's own files, as the template catalogue and viewer read them -------------

function jpegSize(file) {
  const data = fs.readFileSync(file);
  for (let at = 2; at + 9 < data.length;) {
    if (data[at] !== 0xff) return null;
    const marker = data[at + 1];
    if (marker >= 0xc0 && marker <= 0xcf && ![0xc4, 0xc8, 0xcc].includes(marker)) {
      return [data.readUInt16BE(at + 7), data.readUInt16BE(at + 5)];
    }
    at += 2 + data.readUInt16BE(at + 2);
  }
  return null;
}

function checkTemplateFiles(template) {
  const dir = path.join(dataDir, 'templates');
  const text = fs.readFileSync(path.join(dir, `${template}.t`));
  const lineFeeds = text.filter((byte) => byte === 0x0a).length;
  const lineEnds = text.toString('latin1').split('\r\n').length - 1;
  check(`${template}.t ends every line with CR LF`, lineFeeds > 0 && lineFeeds === lineEnds);
  check(`${template}.t declares windows-1252`, text.includes('<meta charset="windows-1252">'));
  const size = jpegSize(path.join(dir, `${template}.jpg`));
  check(`${template}.jpg is a 201 x 145 preview`, size?.join('x') === '201x145', `${size}`);
}

// --- a static web server on the loopback address, as a web host would serve the site ------

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.gif': 'image/gif', '.png': 'image/png', '.jpg': 'image/jpeg' };

function serve(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '');
    const file = path.join(root, name);
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    // No charset in the header: the pages must declare their own.
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
    response.end(fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// --- the checks -------------------------------------------------------------------------

let passed = 0;
let failed = 0;
function check(what, ok, detail = '') {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    console.log(`FAIL ${what}${detail ? `: ${detail}` : ''}`);
  }
}

async function inspectPage(page, base, template, caption) {
  const problems = [];
  page.removeAllListeners('console');
  page.removeAllListeners('pageerror');
  page.removeAllListeners('requestfailed');
  page.removeAllListeners('response');
  page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()} (${message.location().url})`); });
  page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
  page.on('requestfailed', (request) => problems.push(`failed to load ${request.url()}`));
  page.on('response', (response) => { if (response.status() >= 400) problems.push(`${response.status()} for ${response.url()}`); });

  const url = `${base}/${pageFile(caption)}`;
  const response = await page.goto(url, { waitUntil: 'load' });
  await page.waitForLoadState('networkidle');
  const where = `${template} ${pageFile(caption)}`;
  check(`${where} loads`, response && response.status() === 200);
  check(`${where} without console errors`, problems.length === 0, problems.join('; '));

  const facts = await page.evaluate(({ template, captions }) => {
    const pictureLinks = [...document.querySelectorAll('a')].filter((a) =>
      a.querySelector(`img[src^="${template}"][src$=".gif"]`) && a.children.length === 1);
    const textEntries = [...document.querySelectorAll('font')].filter((font) =>
      font.getAttribute('style') === 'font-size:11px' && font.firstElementChild?.tagName === 'A');
    const contentLink = [...document.querySelectorAll('a')].find((a) => a.textContent === 'how to find us');
    const logo = document.querySelector('img[alt="Logo"]');
    const visible = (element) => { const box = element.getBoundingClientRect(); return box.width > 0 && box.height > 0; };
    return {
      title: document.title.trim(),
      charset: document.characterSet,
      text: document.body.innerText,
      pictures: pictureLinks.map((a) => {
        const img = a.querySelector('img');
        return { href: a.getAttribute('href'), src: img.getAttribute('src'), alt: img.alt,
          loaded: img.complete && img.naturalWidth > 0, visible: visible(img) };
      }),
      textNavigation: textEntries.map((font) => font.textContent).join(''),
      textLinks: textEntries.map((font) => font.firstElementChild.getAttribute('href')),
      links: [...document.querySelectorAll('a[href]')].map((a) => a.href),
      bodyFont: getComputedStyle(document.body).fontFamily,
      bodySize: getComputedStyle(document.body).fontSize,
      contentLinkColor: contentLink ? getComputedStyle(contentLink).color : null,
      textNavLinkColor: textEntries.length ? getComputedStyle(textEntries[0].firstElementChild).color : null,
      logo: logo ? { loaded: logo.complete && logo.naturalWidth > 0, visible: visible(logo) } : null,
      images: [...document.images].map((img) => ({ src: img.src, loaded: img.complete && img.naturalWidth > 0 })),
      stylesheets: [...document.styleSheets].map((sheet) => sheet.href).filter(Boolean),
    };
  }, { template, captions });

  check(`${where} title`, facts.title === `${site.title} = ${caption}`, facts.title);
  check(`${where} is read as windows-1252`, facts.charset === 'windows-1252', facts.charset);
  check(`${where} shows the slogan with its dash`, facts.text.includes(site.slogan));
  check(`${where} has fourteen picture links`, facts.pictures.length === 14, `${facts.pictures.length}`);
  facts.pictures.forEach((picture, i) => {
    const expected = captions[i];
    check(`${where} picture link ${i + 1}`, picture.href === pageFile(expected)
      && picture.src === `${template}${expected.toLowerCase()}.gif` && picture.alt === expected,
      JSON.stringify(picture));
    check(`${where} picture ${picture.src} loads and shows`, picture.loaded && picture.visible);
  });
  const expectedTextNavigation = captions.join(' :: ') + ' :: ';
  check(`${where} text navigation`, facts.textNavigation === expectedTextNavigation, facts.textNavigation);
  check(`${where} text navigation links`, facts.textLinks.join() === captions.map(pageFile).join());
  check(`${where} logo loads and shows`, facts.logo?.loaded && facts.logo?.visible, JSON.stringify(facts.logo));
  for (const image of facts.images) check(`${where} picture ${image.src} loads`, image.loaded);
  check(`${where} links styles.css`, facts.stylesheets.some((href) => href.endsWith('/styles.css')));
  check(`${where} body font is the project's`, facts.bodyFont === site.fontFamily, facts.bodyFont);
  check(`${where} body size is the project's`, facts.bodySize === site.fontSize, facts.bodySize);
  const rgb = `rgb(${site.linkColor.join(', ')})`;
  check(`${where} link colour in the page text`, facts.contentLinkColor === rgb, facts.contentLinkColor);
  check(`${where} link colour in the text navigation`, facts.textNavLinkColor === rgb, facts.textNavLinkColor);
  return facts.links;
}

async function main() {
  fs.mkdirSync(artifactDir, { recursive: true });
  const templates = execFileSync(cli, ['--home', dataDir, 'templates'], { encoding: 'latin1' })
    .split('\n').filter(Boolean);
  check('at least four templates are installed', templates.length >= 4, templates.join(', '));

  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'corvanta-browser-'));
  // Playwright starts Chromium with a fresh profile directory of its own every time.
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  try {
    for (const [position, template] of templates.entries()) {
      checkTemplateFiles(template);
      const dir = path.join(work, template);
      fs.mkdirSync(dir);
      const logo = path.join(dir, 'logo.png');
      fs.copyFileSync(path.join(here, 'logo.png'), logo);
      const project = makeProject(dir, position, logo);
      execFileSync(cli, ['--home', dataDir, 'publish', project, dir], { stdio: ['ignore', 'ignore', 'pipe'] });
      const website = path.join(dir, 'website');
      check(`${template} published every page`, captions.every((c) => fs.existsSync(path.join(website, pageFile(c)))));

      const server = await serve(website);
      const base = `http://127.0.0.1:${server.address().port}`;
      const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
      const page = await context.newPage();
      const links = new Set();
      for (const caption of captions) {
        for (const link of await inspectPage(page, base, template, caption)) links.add(link);
      }
      // Every link inside the site leads to a page that is there; addresses elsewhere
      // (the made-in line, e-mail) are not followed.
      for (const link of links) {
        if (!link.startsWith(base)) continue;
        const status = await new Promise((resolve) =>
          http.get(link, (r) => { r.resume(); resolve(r.statusCode); }).on('error', () => resolve(0)));
        check(`${template} link ${link.slice(base.length)} leads to a page`, status === 200, `${status}`);
      }
      await page.goto(`${base}/home.html`, { waitUntil: 'networkidle' });
      await page.screenshot({ path: path.join(artifactDir, `${template}-home.png`), fullPage: true });
      await context.close();

      const phone = await browser.newContext({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 2,
        isMobile: true, hasTouch: true });
      const phonePage = await phone.newPage();
      await phonePage.goto(`${base}/home.html`, { waitUntil: 'networkidle' });
      const widths = await phonePage.evaluate(() => [document.documentElement.scrollWidth, window.innerWidth]);
      check(`${template} home page fits a phone's width`, widths[0] <= widths[1], `${widths[0]} > ${widths[1]}`);
      await phonePage.screenshot({ path: path.join(artifactDir, `${template}-home-phone.png`), fullPage: true });
      await phone.close();
      server.close();
    }
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log(`Screenshots in ${artifactDir}`);
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  console.log(`${passed} passed, ${failed + 1} failed`);
  process.exit(1);
});
