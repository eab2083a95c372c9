// Publishes a bakery's site with every installed template and looks at each in headless
// Chromium, as a visitor's browser would: every page loads without a console error, the picture
// navigation shows fourteen links whose pictures load, the text navigation lists the fourteen
// captions, every link leads to a page that exists, the site's stylesheet reaches the page, the
// page's caption is its heading and the page being shown is marked in both navigations. axe-core
// audits every page (no violation of impact "serious" or "critical", contrast included) with
// bodies that use every markup tool. A few option variants (font sizes, colours, logo or none,
// slogan or none) are audited too, with the line length, the phone widths and the tap targets.
// A home page with six camera photos is published with web-ready pictures on and off, to see
// that the web-ready site shows them upright, small, without their place, and fast.
// Screenshots of each template's home page and of its page of tools, on a desk and on a phone,
// and a contact sheet of all the templates are kept for a person to look at.
//
// Usage: node sitecheck.mjs CORVANTA_CLI DATA_DIR ARTIFACT_DIR [TEMPLATE...]
//        (naming templates checks only those)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';
import { lighthousePerformance, lighthouseSite, startLighthouseBrowser } from './lighthouse.mjs';

const [cli, dataDir, artifactDir] = process.argv.slice(2, 5).map((p) => path.resolve(p));
const chosen = process.argv.slice(5);
if (!cli || !dataDir || !artifactDir) {
  console.error('Usage: node sitecheck.mjs CORVANTA_CLI DATA_DIR ARTIFACT_DIR');
  process.exit(2);
}
const here = path.dirname(fileURLToPath(import.meta.url));
const axeScript = createRequire(import.meta.url).resolve('axe-core/axe.min.js');

const captions = ['Home', 'Contact', 'About', 'Events', 'Downloads', 'FAQ', 'Links', 'Gallery',
  'Portfolio', 'Products', 'Services', 'Press', 'Support', 'Jobs'];
const pageFile = (caption) => `${caption.toLowerCase()}.html`;
const desk = { width: 1366, height: 900 };
const phone = { width: 390, height: 844 };

// --- what the user types: the site's facts and the page bodies --------------------------

const title = 'Linden Street Bakery';
// The slogan holds a Windows-1252 letter (an em dash, byte 0x97) to show that the pages
// declare their character set.
const slogan = 'Baked fresh every morning \u2014 since 1987';

const welcome = [
  '<p>Welcome to the <b>Linden Street Bakery</b>. We bake bread, cakes and pastries every',
  'morning from flour milled down the road, and we have done so in the same brick oven since',
  'nineteen eighty-seven. Read <a href="contact.html">how to find us</a> or look at our',
  '<a href="gallery.html">gallery</a> of cakes baked for weddings, birthdays and the odd',
  'retirement party that needed something with more icing than was strictly reasonable.</p>',
];

// A page the way a user builds it with the page editor's tools: every tool's markup as the
// tool writes it, with the words a user types around it (labels for the form fields, a text
// for the movie that cannot play).
const everyTool = [
  ...welcome,
  '<p>',
  'This week: <b>bold</b>, <i>italic</i>, <u>underlined</u> and <s>struck-through</s> words,',
  'and <font color="#8a1538">a word in colour</font>. Prices &copy; &reg; &lt;3 &gt; &quot;',
  '&amp; &trade; &euro; 3.50 &pound; 3 &plusmn; 5p.',
  '</p>',
  '<p align="left">',
  'Aligned left: our rye is baked on Thursdays.',
  '</p>',
  '<p align="center">',
  'Centred: cake of the week',
  '</p>',
  '<p align="right">',
  'Aligned right: from 7 in the morning',
  '</p>',
  '<h1>A heading of size 1</h1>',
  '<h2>A heading of size 2</h2>',
  '<h3>A heading of size 3</h3>',
  '<h4>A heading of size 4</h4>',
  '<h5>A heading of size 5</h5>',
  '<h6>A heading of size 6</h6>',
  '<p><a name="order"></a>Order by <a href="mailto:hello@linden.example">e-mail</a>, read',
  '<a href="faq.html">the questions people ask</a> or go <a href="#order">back here</a>.</p>',
  '<hr>',
  '<p><img src="loaf.png" alt="Our sourdough loaf"> <img src="pictures/shop%20front.png?v=1" alt="Our shop"></p>',
  '<embed src="bell.wav" loop="1" autostart="true" hidden="true"></embed>',
  '<OBJECT classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" codebase="https://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=6,0,0,0" WIDTH="550" HEIGHT="400" id="" ALIGN="">',
  '<PARAM NAME=movie VALUE="tour.swf">',
  '<PARAM NAME=quality VALUE=high>',
  '<PARAM NAME=bgcolor VALUE=#000000>',
  '<EMBED src="tour.swf" quality=high bgcolor=#000000  WIDTH="550" HEIGHT="400" NAME="" ALIGN="" TYPE="application/x-shockwave-flash" PLUGINSPAGE="https://www.macromedia.com/go/getflashplayer">',
  'A short film of our bakery.',
  '</EMBED>',
  '</OBJECT>',
  '<table border="1" cellpadding="1" cellspacing="1" bordercolor="black">',
  '   <tr>',
  '       <td>',
  'Sourdough loaf',
  '       </td>',
  '       <td>',
  '&euro; 4.20',
  '       </td>',
  '   </tr>',
  '   <tr>',
  '       <td>',
  'Rye bread with caraway and a very long name that has to wrap on a phone',
  '       </td>',
  '       <td>',
  '&euro; 3.80',
  '       </td>',
  '   </tr>',
  '</table>',
  '<pre>Monday to Friday   7:00 - 18:00\r\nSaturday           8:00 - 14:00</pre>',
  '<ul>',
  '     <li>Sourdough',
  '     <li>Rye on Thursdays',
  '</ul>',
  '<ol>',
  '     <li>Order by Wednesday',
  '     <li>Collect on Saturday',
  '</ol>',
  '<blockquote>The best croissant north of the river. &mdash; a customer</blockquote>',
  '<form name="" action="" method="post">',
  '',
  '<p><label><input type="checkbox" name="" value=""> Send me the weekly menu</label></p>',
  '<p><label><input type="radio" name="" value=""> Collect in the shop</label></p>',
  '<p><label>Your name <input type="text" name="" value=""></label></p>',
  '<p><label>Your order <textarea name="" rows="2" cols="2"></textarea></label></p>',
  '<p><label>Loaf <select name="" size="1">',
  '     <option value="">Option 1',
  '</select></label></p>',
  '<p><input type="submit" value="Submit"> <input type="reset" value="Reset"></p>',
  '</form>',
];

const toolsPage = 'Products';
const emptyPage = 'Jobs';
// The full bakery site has its address and keeps one page out of search engines.
const siteAddress = 'https://lindenstreetbakery.example/';
const hiddenPage = 'Press';

function pageBody(caption) {
  if (caption === emptyPage) return '';
  if (caption === toolsPage) return everyTool.join('\r\n');
  const lines = [
    ...welcome,
    '<h2>Opening hours</h2>',
    '<ul>',
    '     <li>Monday to Friday: 7 to 18',
    '     <li>Saturday: 8 to 14',
    '</ul>',
    '<p>Fresh sourdough every day, rye on Thursdays, and a cake of the week at &euro; 3.50 a',
    'slice, chosen by our customers. <a href="mailto:hello@linden.example">Write to us</a>.</p>',
  ];
  return lines.join('\r\n');
}

// The files a user puts beside the project file (and in a folder below it) for the image,
// audio and movie tools; publishing copies them into the site.
function addUserFiles(website) {
  fs.copyFileSync(path.join(here, 'logo.png'), path.join(website, 'loaf.png'));
  fs.mkdirSync(path.join(website, 'pictures'), { recursive: true });
  fs.copyFileSync(path.join(here, 'logo.png'), path.join(website, 'pictures', 'shop front.png'));
  const samples = Buffer.alloc(800, 128);
  const wave = Buffer.alloc(44);
  wave.write('RIFF', 0);
  wave.writeUInt32LE(36 + samples.length, 4);
  wave.write('WAVEfmt ', 8);
  wave.writeUInt32LE(16, 16);
  wave.writeUInt16LE(1, 20); // PCM
  wave.writeUInt16LE(1, 22); // mono
  wave.writeUInt32LE(8000, 24);
  wave.writeUInt32LE(8000, 28);
  wave.writeUInt16LE(1, 32);
  wave.writeUInt16LE(8, 34);
  wave.write('data', 36);
  wave.writeUInt32LE(samples.length, 40);
  fs.writeFileSync(path.join(website, 'bell.wav'), Buffer.concat([wave, samples]));
  fs.writeFileSync(path.join(website, 'tour.swf'), Buffer.from('FWS\x06', 'latin1'));
}

// --- the options, as the Options pane sets them -----------------------------------------

// Positions in the program's lists: font families start with six fixed ones; font sizes
// with nine keywords, then 1, 2, 3 ... pixels.
const pixels = (n) => 8 + n;
const variants = [
  { name: 'bakery', full: true, address: siteAddress, logo: true, slogan, font: 4, size: pixels(14),
    sizeText: '14px', family: 'verdana, helvetica, arial', link: '#1A6EC8', textNavigation: true,
    copyright: true, madeWith: true },
  // What a new project starts with: black text, pure blue links without underline, 12 px.
  { name: 'new-project', logo: false, slogan: '', textNavigation: true, copyright: true,
    madeWith: true },
  { name: 'large-serif', logo: true, slogan, font: 3, size: 5 /* x-large */, smallCaps: true,
    text: '#2B2118', link: '#8A1538', linkDecoration: 1, visited: '#5B2A86', listStyle: 3,
    textNavigation: true, copyright: false, madeWith: true },
  { name: 'small-plain', logo: false, slogan: 'Bread', font: 1, size: pixels(10),
    text: '#1B3A2A', link: '#005A9C', listStyle: 0, textNavigation: false, copyright: true,
    madeWith: false },
  { name: 'sans-18px', logo: true, slogan: '', font: 0, size: pixels(18), listStyle: 4,
    textNavigation: true, copyright: true, madeWith: true },
];

function shortText(record, offset, text) {
  const bytes = Buffer.from(text.replace(/\u2014/g, '\x97'), 'latin1');
  record[offset] = bytes.length;
  bytes.copy(record, offset + 1);
}

function colour(record, textOffset, valueOffset, text) {
  shortText(record, textOffset, text);
  const [r, g, b] = [1, 3, 5].map((at) => parseInt(text.slice(at, at + 2), 16));
  record.writeUInt32LE(r | (g << 8) | (b << 16), valueOffset);
}

function makeProject(dir, templatePosition, variant) {
  const projectPath = path.join(dir, 'bakery.cvp');
  execFileSync(cli, ['--home', dataDir, 'new', projectPath]);
  const record = fs.readFileSync(projectPath);
  if (record.length !== 1664) throw new Error(`new project has ${record.length} bytes`);
  let logoPath = '';
  if (variant.logo) {
    logoPath = path.join(dir, 'logo.png');
    fs.copyFileSync(path.join(here, 'logo.png'), logoPath);
  }
  record[0] = 1; // a business site
  record[1] = templatePosition;
  shortText(record, 2, title);
  shortText(record, 258, 'Bread, cakes and pastries baked every morning in Linden Street');
  shortText(record, 514, 'bakery, bread, cakes, sourdough');
  shortText(record, 770, '2025, 2026');
  shortText(record, 1026, logoPath);
  shortText(record, 1282, variant.slogan);
  if (variant.font !== undefined) record[1538] = variant.font;
  if (variant.text) colour(record, 1539, 1548, variant.text);
  if (variant.size !== undefined) record[1552] = variant.size;
  if (variant.smallCaps) record[1553] = 1;
  if (variant.link) {
    colour(record, 1554, 1564, variant.link);
    colour(record, 1569, 1580, variant.link);
  }
  if (variant.linkDecoration !== undefined) record[1568] = variant.linkDecoration;
  if (variant.visited) colour(record, 1601, 1612, variant.visited);
  if (variant.listStyle !== undefined) record[1617] = variant.listStyle;
  record[1632] = variant.textNavigation ? 1 : 0;
  record[1633] = variant.copyright ? 1 : 0;
  record[1634] = variant.madeWith ? 1 : 0;
  for (let page = 0; page < 14; ++page) record[1645 + page] = 1; // every business tick
  fs.writeFileSync(projectPath, record);
  if (variant.address) {
    fs.writeFileSync(`${projectPath}.settings`,
      `[site]\naddress=${variant.address}\nhiddenPages=${pageFile(hiddenPage)}\n`);
  }
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
  check(`${template}.t is ASCII`, text.every((byte) => byte < 0x80));
  const size = jpegSize(path.join(dir, `${template}.jpg`));
  check(`${template}.jpg is a 201 x 145 preview`, size?.join('x') === '201x145', `${size}`);
}

// --- a static web server on the loopback address, as a web host would serve the site ------

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.gif': 'image/gif', '.png': 'image/png', '.jpg': 'image/jpeg', '.wav': 'audio/wav',
  '.swf': 'application/x-shockwave-flash', '.ico': 'image/x-icon', '.txt': 'text/plain',
  '.xml': 'application/xml', '.webmanifest': 'application/manifest+json' };

function serve(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '');
    const file = path.join(root, name);
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    // No charset in the header: the pages must declare their own.
    const headers = { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
      'Accept-Ranges': 'bytes' };
    const data = fs.readFileSync(file);
    // The audio player asks for parts of its file, as it does of any web host.
    const range = /^bytes=(\d+)-(\d*)$/.exec(request.headers.range ?? '');
    if (range) {
      const first = Number(range[1]);
      const last = range[2] ? Math.min(Number(range[2]), data.length - 1) : data.length - 1;
      response.writeHead(206, { ...headers, 'Content-Range': `bytes ${first}-${last}/${data.length}` });
      server.bytes += last + 1 - first;
      response.end(data.subarray(first, last + 1));
      return;
    }
    response.writeHead(200, headers);
    server.bytes += data.length;
    response.end(data);
  });
  server.bytes = 0; // the bytes of the files sent, as a visitor's browser fetches them
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

function watchProblems(page) {
  const problems = [];
  page.removeAllListeners('console');
  page.removeAllListeners('pageerror');
  page.removeAllListeners('requestfailed');
  page.removeAllListeners('response');
  page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()} (${message.location().url})`); });
  page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
  page.on('requestfailed', (request) => {
    // The embedded audio player's file is dropped with its frame when the visitor moves on.
    const dropped = request.failure()?.errorText === 'net::ERR_ABORTED' && request.frame() !== page.mainFrame();
    if (!dropped) problems.push(`failed to load ${request.url()} (${request.failure()?.errorText})`);
  });
  page.on('response', (response) => { if (response.status() >= 400) problems.push(`${response.status()} for ${response.url()}`); });
  return problems;
}

async function open(page, base, caption, where) {
  const problems = watchProblems(page);
  // The load event waits for the pictures, the stylesheet and the scripts; the hidden audio
  // player keeps its file open, so the network never falls quiet on the page of tools.
  const response = await page.goto(`${base}/${pageFile(caption)}`, { waitUntil: 'load' });
  check(`${where} loads`, response && response.status() === 200);
  check(`${where} without console errors`, problems.length === 0, problems.join('; '));
}

// axe-core's audit of the page as it stands: every violation of impact serious or critical
// fails, with the rule, the elements and what axe says about the first of them.
async function audit(page, where) {
  await page.addScriptTag({ path: axeScript });
  const violations = await page.evaluate(async () => {
    const results = await window.axe.run(document, { resultTypes: ['violations'] });
    return results.violations.map((v) => ({ id: v.id, impact: v.impact,
      nodes: v.nodes.map((n) => n.target.join(' ')), summary: v.nodes[0]?.failureSummary ?? '' }));
  });
  for (const v of violations.filter((v) => ['serious', 'critical'].includes(v.impact))) {
    check(`${where} axe ${v.id}`, false, `${v.impact} at ${v.nodes.slice(0, 4).join(', ')}: ${v.summary.replace(/\s+/g, ' ')}`);
  }
  check(`${where} passes axe`, true);
}

// The facts of the shown page that every variant must hold.
async function pageFacts(page, template) {
  return page.evaluate(({ template }) => {
    const visible = (element) => { const box = element.getBoundingClientRect(); return box.width > 0 && box.height > 0; };
    const pictureLinks = [...document.querySelectorAll('a')].filter((a) =>
      a.querySelector(`img[src^="${template}"][src$=".gif"]`) && a.children.length === 1);
    const textEntries = [...document.querySelectorAll('font')].filter((font) =>
      font.getAttribute('style') === 'font-size:11px' && font.firstElementChild?.tagName === 'A');
    const headings = [...document.querySelectorAll('h1')].filter(visible);
    // Characters a line in the longest paragraph of the page's text.
    const paragraphs = [...document.querySelectorAll('main p')].filter(visible);
    const longest = paragraphs.sort((a, b) => b.textContent.length - a.textContent.length)[0];
    let measure = null;
    if (longest) {
      const range = document.createRange();
      range.selectNodeContents(longest);
      const lines = new Set([...range.getClientRects()].map((r) => Math.round(r.bottom)));
      measure = Math.round(longest.textContent.replace(/\s+/g, ' ').trim().length / lines.size);
    }
    return {
      title: document.title.trim(),
      charset: document.characterSet,
      text: document.body.innerText,
      heading: headings[0]?.textContent.trim() ?? null,
      headingCount: headings.length,
      measure,
      pictures: pictureLinks.map((a) => {
        const img = a.querySelector('img');
        return { href: a.getAttribute('href'), src: img.getAttribute('src'), alt: img.alt,
          loaded: img.complete && img.naturalWidth > 0, visible: visible(img),
          current: a.getAttribute('aria-current') };
      }),
      textNavigation: textEntries.map((font) => font.textContent).join(''),
      textLinks: textEntries.map((font) => font.firstElementChild.getAttribute('href')),
      textCurrent: textEntries.map((font) => font.firstElementChild)
        .filter((a) => a.getAttribute('aria-current') === 'page').map((a) => a.getAttribute('href')),
      links: [...document.querySelectorAll('a[href]')].map((a) => a.href),
      logo: (() => { const logo = document.querySelector('img[alt="Logo"]');
        return logo ? { loaded: logo.complete && logo.naturalWidth > 0, visible: visible(logo) } : null; })(),
      images: [...document.images].map((img) => ({ src: img.src, loaded: img.complete && img.naturalWidth > 0 })),
      stylesheets: [...document.styleSheets].map((sheet) => sheet.href).filter(Boolean),
      contentLinkColor: (() => { const a = [...document.querySelectorAll('a')].find((a) => a.textContent === 'how to find us');
        return a ? getComputedStyle(a).color : null; })(),
      textNavLinkColor: (() => { const a = textEntries.map((font) => font.firstElementChild).find((a) => !a.hasAttribute('aria-current'));
        return a ? getComputedStyle(a).color : null; })(),
      numbered: [...document.querySelectorAll('main ol > li')].map((li) => getComputedStyle(li).listStyleType),
      bulleted: [...document.querySelectorAll('main ul > li')].map((li) => getComputedStyle(li).listStyleType),
      bodyFont: getComputedStyle(document.body).fontFamily,
      bodySize: getComputedStyle(document.body).fontSize,
    };
  }, { template });
}

async function inspectPage(page, base, template, caption, variant) {
  const where = `${template} ${variant.name} ${pageFile(caption)}`;
  await open(page, base, caption, where);
  const facts = await pageFacts(page, template);

  check(`${where} title`, facts.title === `${title} = ${caption}`, facts.title);
  check(`${where} is read as windows-1252`, facts.charset === 'windows-1252', facts.charset);
  check(`${where} shows the caption as its one heading`, facts.heading === caption && facts.headingCount === 1
    || caption === toolsPage && facts.heading === caption, `${facts.heading} (${facts.headingCount})`);
  if (variant.slogan) check(`${where} shows the slogan`, facts.text.includes(variant.slogan));
  check(`${where} logo`, variant.logo ? facts.logo?.loaded && facts.logo?.visible : facts.logo === null,
    JSON.stringify(facts.logo));
  for (const image of facts.images) check(`${where} picture ${image.src} loads`, image.loaded);
  check(`${where} has fourteen picture links`, facts.pictures.length === 14, `${facts.pictures.length}`);
  facts.pictures.forEach((picture, i) => {
    const expected = captions[i];
    check(`${where} picture link ${i + 1}`, picture.href === pageFile(expected)
      && picture.src === `${template}${expected.toLowerCase()}.gif` && picture.alt === expected,
      JSON.stringify(picture));
    check(`${where} picture link ${i + 1} marked as current only on its page`,
      (picture.current === 'page') === (expected === caption), JSON.stringify(picture));
  });
  if (variant.textNavigation) {
    const expectedTextNavigation = captions.join(' :: ') + ' :: ';
    check(`${where} text navigation`, facts.textNavigation === expectedTextNavigation, facts.textNavigation);
    check(`${where} text navigation links`, facts.textLinks.join() === captions.map(pageFile).join());
    check(`${where} text navigation marks the page`, facts.textCurrent.join() === pageFile(caption),
      facts.textCurrent.join());
  } else {
    check(`${where} has no text navigation`, facts.textLinks.length === 0);
  }
  // The project's link colour, in the text and in the text navigation.
  if (variant.link && caption !== emptyPage) {
    const rgb = `rgb(${[1, 3, 5].map((at) => parseInt(variant.link.slice(at, at + 2), 16)).join(', ')})`;
    check(`${where} link colour in the page text`, facts.contentLinkColor === rgb, facts.contentLinkColor);
    if (variant.textNavigation) {
      check(`${where} link colour in the text navigation`, facts.textNavLinkColor === rgb, facts.textNavLinkColor);
    }
  }
  // Numbered lists stay numbered; bulleted ones take the project's list style.
  const listStyles = ['none', 'disc', 'circle', 'square', 'decimal'];
  check(`${where} numbered lists`, facts.numbered.every((style) => style === 'decimal'), facts.numbered.join());
  check(`${where} bulleted lists`, facts.bulleted.every((style) => style === listStyles[variant.listStyle ?? 1]),
    facts.bulleted.join());
  check(`${where} links styles.css`, facts.stylesheets.some((href) => href.endsWith('/styles.css')));
  if (variant.family) check(`${where} body font is the project's`, facts.bodyFont === variant.family, facts.bodyFont);
  if (variant.sizeText) check(`${where} body size is the project's`, facts.bodySize === variant.sizeText, facts.bodySize);
  // A readable measure on a desk: 45 to 80 characters a line (a page with a long paragraph).
  if (caption !== emptyPage && page.viewportSize().width === desk.width) {
    check(`${where} line length`, facts.measure >= 45 && facts.measure <= 80, `${facts.measure} characters`);
  }
  await audit(page, where);
  return facts;
}

// On a phone: nothing wider than the screen at 390 and at 320 pixels, the menu opens, and
// every navigation link, footer link and button is at least 44 pixels high.
async function inspectPhone(browser, base, template, variant, caption) {
  const where = `${template} ${variant.name} ${pageFile(caption)} on a phone`;
  const context = await browser.newContext({ viewport: phone, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  const page = await context.newPage();
  await open(page, base, caption, where);
  const menu = page.locator('.menu-button');
  if (await menu.count() && await menu.isVisible()) {
    await menu.click();
    check(`${where} menu opens`, await menu.getAttribute('aria-expanded') === 'true');
    if (variant.full && caption === 'Home') {
      await page.screenshot({ path: path.join(artifactDir, `${template}-menu-phone.png`) });
    }
  }
  const small = await page.evaluate(() => [...document.querySelectorAll(
    'nav a, .textnav a, footer a, button, input[type="submit"], input[type="reset"], select')]
    .map((element) => [element.outerHTML.slice(0, 60), element.getBoundingClientRect()])
    .filter(([, box]) => box.width > 0 && box.height < 43.5)
    .map(([html, box]) => `${html} is ${box.height.toFixed(1)} px high`));
  check(`${where} tap targets at least 44 px high`, small.length === 0, small.slice(0, 4).join('; '));
  if (variant.full) await audit(page, where);
  for (const width of [phone.width, 320]) {
    await page.setViewportSize({ width, height: phone.height });
    const widths = await page.evaluate(() => [document.documentElement.scrollWidth, window.innerWidth]);
    check(`${where} fits ${width} px`, widths[0] <= widths[1], `${widths[0]} > ${widths[1]}`);
  }
  await context.close();
}

async function screenshot(browser, base, caption, viewport, file) {
  const options = viewport === phone ? { deviceScaleFactor: 2, isMobile: true, hasTouch: true } : {};
  const context = await browser.newContext({ viewport, ...options });
  const page = await context.newPage();
  await page.goto(`${base}/${pageFile(caption)}`, { waitUntil: 'load' });
  await page.screenshot({ path: path.join(artifactDir, file), fullPage: true });
  await context.close();
}

// The files that let the site be found and shown well: robots.txt, sitemap.xml with the
// address, the icons and the manifest, and each page's head lines.
function checkFoundSite(website, template, variant) {
  const what = `${template} ${variant.name}`;
  const robots = fs.readFileSync(path.join(website, 'robots.txt'), 'latin1');
  check(`${what} robots.txt lets every crawler in${variant.address ? ' and names the sitemap' : ''}`,
    robots === 'User-agent: *\r\nAllow: /\r\n'
      + (variant.address ? `\r\nSitemap: ${variant.address}sitemap.xml\r\n` : ''), robots);
  const sitemap = path.join(website, 'sitemap.xml');
  if (variant.address) {
    const listed = [...fs.readFileSync(sitemap, 'utf8').matchAll(/<loc>([^<]*)<\/loc>/g)].map((m) => m[1]);
    const expected = captions.filter((c) => c !== hiddenPage).map((c) => variant.address + pageFile(c));
    check(`${what} sitemap.xml lists every page but the hidden one`,
      JSON.stringify(listed) === JSON.stringify(expected), listed.join(' '));
  } else {
    check(`${what} has no sitemap without an address`, !fs.existsSync(sitemap));
  }
  let manifest = {};
  try {
    manifest = JSON.parse(fs.readFileSync(path.join(website, 'site.webmanifest'), 'utf8'));
  } catch (error) {
    check(`${what} site.webmanifest is JSON`, false, String(error));
  }
  check(`${what} site.webmanifest names the site and its icons`,
    manifest.name === title && typeof manifest.short_name === 'string'
      && manifest.short_name.length > 0 && manifest.short_name.length <= 12
      && manifest.start_url === 'home.html' && /^#[0-9A-F]{6}$/.test(manifest.theme_color)
      && JSON.stringify(manifest.icons?.map((i) => i.sizes)) === '["192x192","512x512"]',
    JSON.stringify(manifest));
  for (const caption of captions) {
    const page = fs.readFileSync(path.join(website, pageFile(caption)), 'latin1');
    const head = page.slice(0, page.indexOf('</head>'));
    const canonical = /<link rel="canonical" href="([^"]*)">/.exec(head)?.[1] ?? '';
    check(`${what} ${caption} has its canonical address only with the site's address`,
      canonical === (variant.address ? variant.address + pageFile(caption) : ''), canonical);
    check(`${what} ${caption} asks search engines to leave it out only when hidden`,
      head.includes('<meta name="robots" content="noindex">') === (variant.address !== undefined && caption === hiddenPage));
    check(`${what} ${caption} links the icons and has a link preview`,
      head.includes('<link rel="icon" href="favicon.ico"') && head.includes('<link rel="manifest" href="site.webmanifest">')
        && head.includes('<meta property="og:title"') && head.includes('<meta name="twitter:card" content="summary">'));
  }
}

async function checkSite(browser, template, position, variant, work, lighthouseBrowser) {
  const dir = path.join(work, `${template}-${variant.name}`);
  fs.mkdirSync(dir);
  const project = makeProject(dir, position, variant);
  addUserFiles(dir);
  execFileSync(cli, ['--home', dataDir, 'publish', project, dir], { stdio: ['ignore', 'ignore', 'pipe'] });
  const website = path.join(dir, 'website');
  check(`${template} ${variant.name} published every page`,
    captions.every((c) => fs.existsSync(path.join(website, pageFile(c)))));
  check(`${template} ${variant.name} index.html is the home page`,
    fs.readFileSync(path.join(website, 'index.html')).equals(fs.readFileSync(path.join(website, 'home.html'))));

  checkFoundSite(website, template, variant);

  const server = await serve(website);
  const base = `http://127.0.0.1:${server.address().port}`;
  try {
    const context = await browser.newContext({ viewport: desk });
    const page = await context.newPage();
    const shown = variant.full ? captions : ['Home', toolsPage];
    const links = new Set();
    for (const caption of shown) {
      for (const link of (await inspectPage(page, base, template, caption, variant)).links) links.add(link);
    }
    if (variant.full) {
      // On paper: the text and its heading, without the navigation.
      await page.emulateMedia({ media: 'print' });
      const printed = await page.evaluate(() => ({
        navigation: [...document.querySelectorAll('nav, .menu-button')].filter((e) => e.getBoundingClientRect().height > 0).length,
        heading: document.querySelector('h1')?.getBoundingClientRect().height > 0 }));
      check(`${template} prints the text without the navigation`, printed.navigation === 0 && printed.heading,
        JSON.stringify(printed));
    }
    await context.close();
    for (const caption of ['Home', toolsPage]) await inspectPhone(browser, base, template, variant, caption);
    if (!variant.full) return;
    // Every link inside the site leads to a page that is there; addresses elsewhere
    // (the made-in line, e-mail) are not followed.
    for (const link of links) {
      if (!link.startsWith(base)) continue;
      const status = await new Promise((resolve) =>
        http.get(link, (r) => { r.resume(); resolve(r.statusCode); }).on('error', () => resolve(0)));
      check(`${template} link ${link.slice(base.length)} leads to a page`, status === 200, `${status}`);
    }
    await screenshot(browser, base, 'Home', desk, `${template}-home.png`);
    await screenshot(browser, base, 'Home', phone, `${template}-home-phone.png`);
    await screenshot(browser, base, toolsPage, desk, `${template}-tools.png`);
    await screenshot(browser, base, toolsPage, phone, `${template}-tools-phone.png`);
    await screenshot(browser, base, emptyPage, desk, `${template}-empty.png`);
    if (lighthouseBrowser)
      await lighthouseSite(lighthouseBrowser, base, template, captions.map(pageFile), pageFile(hiddenPage), check);
  } finally {
    server.close();
  }
}

// --- a home page with a shop's photos, as a camera takes them -----------------------------

const photos = Array.from({ length: 6 }, (_, i) => `cake${i + 1}.jpg`);
const longEdge = 1920; // what a new project publishes a photo at, at most

// A 4,000 x 3,000 photo stored on its side, as a camera held upright writes it: its tag says to
// turn it a quarter clockwise, and it holds the place it was taken. Its stored top edge is
// white, so the upright picture is white on its right.
function makePhoto(file, seed) {
  const [noise, grey] = [`${file}.noise.v`, `${file}.grey.v`];
  execFileSync('vips', ['gaussnoise', noise, '4000', '3000', '--sigma', '25', '--mean', '110', '--seed', `${seed}`]);
  execFileSync('vips', ['draw_rect', noise, '250', '0', '0', '4000', '400', '--fill']);
  execFileSync('vips', ['cast', noise, grey, 'uchar']);
  execFileSync('vips', ['bandjoin', `${grey} ${grey} ${grey}`, `${file}[Q=90]`]);
  execFileSync('exiftool', ['-q', '-overwrite_original', '-n', '-Orientation=6', '-GPSLatitude=51.5074',
    '-GPSLatitudeRef=N', '-GPSLongitude=0.1278', '-GPSLongitudeRef=W', file]);
  for (const temporary of [noise, grey]) fs.rmSync(temporary);
}

// The mean brightness of a strip of a picture, `width` pixels wide from `left`.
function brightness(file, left, width, height, work) {
  const strip = path.join(work, 'strip.v');
  execFileSync('vips', ['extract_area', file, strip, `${left}`, '0', `${width}`, `${height}`]);
  return Number(execFileSync('vips', ['avg', strip], { encoding: 'utf8' }));
}

// The home page with six photos, published with web-ready pictures on (what a new project
// does) and off: the copies are upright, no larger than the limit and tell nobody where they
// were taken; the page offers the smaller copies, every picture loads on a desk and on a phone,
// the page fetches at most a tenth of the bytes it fetches with the photos as taken, and
// Lighthouse's performance score for it on a phone reaches 95.
async function checkPhotos(browser, lighthouseBrowser, template, position, work) {
  const taken = path.join(work, 'photos');
  fs.mkdirSync(taken);
  photos.forEach((name, i) => makePhoto(path.join(taken, name), i + 1));
  const body = [...welcome, ...photos.map((name, i) => `<p><img src="${name}" alt="Cake number ${i + 1}"></p>`)];
  const websites = {};
  for (const webReady of [true, false]) {
    const dir = path.join(work, `photos-${webReady ? 'web-ready' : 'as-taken'}`);
    fs.mkdirSync(dir);
    const project = makeProject(dir, position, variants[0]);
    fs.writeFileSync(path.join(dir, '1.dat'), Buffer.from(body.join('\r\n'), 'latin1'));
    if (!webReady) fs.appendFileSync(`${project}.settings`, '[pictures]\nwebReady=false\n');
    for (const name of photos) fs.copyFileSync(path.join(taken, name), path.join(dir, name));
    execFileSync(cli, ['--home', dataDir, 'publish', project, dir], { stdio: ['ignore', 'ignore', 'pipe'],
      env: { ...process.env, XDG_CACHE_HOME: path.join(work, 'cache') } });
    websites[webReady] = path.join(dir, 'website');
  }

  const website = websites.true;
  const files = JSON.parse(execFileSync('exiftool', ['-j', '-n', '-q', '-Orientation', '-ImageWidth',
    '-ImageHeight', '-GPS:all', website], { encoding: 'utf8' }));
  const widthOf = Object.fromEntries(files.map((f) => [path.basename(f.SourceFile), f.ImageWidth]));
  const located = files.filter((f) => Object.keys(f).some((key) => key.startsWith('GPS')));
  check(`${template} photos: no published picture says where it was taken`, located.length === 0,
    JSON.stringify(located.slice(0, 2)));
  for (const name of photos) {
    const copy = files.find((f) => path.basename(f.SourceFile) === name) ?? {};
    const file = path.join(website, name);
    const [left, right] = [0, copy.ImageWidth - 60].map((at) => brightness(file, at, 60, copy.ImageHeight, work));
    check(`${template} photos: ${name} is published upright, its long edge at most ${longEdge}`,
      copy.ImageWidth === 1440 && copy.ImageHeight === longEdge && (copy.Orientation ?? 1) === 1
        && right > 230 && left < 160, `${JSON.stringify(copy)}, left ${left}, right ${right}`);
  }

  for (const [setting, viewport] of [['desk', desk], ['phone', phone]]) {
    const fetched = {};
    for (const webReady of [true, false]) {
      const where = `${template} photos ${webReady ? 'web-ready' : 'as taken'} home.html on a ${setting}`;
      const server = await serve(websites[webReady]);
      const base = `http://127.0.0.1:${server.address().port}`;
      try {
        const options = viewport === phone ? { deviceScaleFactor: 2, isMobile: true, hasTouch: true } : {};
        const context = await browser.newContext({ viewport, ...options });
        const page = await context.newPage();
        await open(page, base, 'Home', where);
        // The pictures below the first screen load as the visitor scrolls down to them.
        const images = await page.evaluate(async () => {
          for (const img of document.images) {
            img.scrollIntoView();
            await img.decode().catch(() => {});
          }
          return [...document.images].map((img) => ({ src: img.getAttribute('src'),
            srcset: img.getAttribute('srcset'), loaded: img.complete && img.naturalWidth > 0,
            shown: img.currentSrc.split('/').pop(), width: img.clientWidth }));
        });
        fetched[webReady] = server.bytes;
        await context.close();
        const notLoaded = images.filter((img) => !img.loaded).map((img) => img.src);
        check(`${where}: every picture is loaded`, notLoaded.length === 0, notLoaded.join(', '));
        if (webReady) {
          for (const name of photos) {
            const srcset = images.find((img) => img.src === name)?.srcset ?? '';
            const offered = srcset.split(',').map((entry) => entry.trim().split(' '));
            const stem = name.slice(0, -'.jpg'.length);
            check(`${where}: the srcset of ${name} names its smaller copies by their widths`,
              offered.length === 4 && [`${stem}-480.jpg`, `${stem}-720.jpg`, `${stem}-960.jpg`, name].every((file) =>
                offered.some(([url, w]) => url === file && w === `${widthOf[file]}w`)), srcset);
          }
          // The column (550 px on a desk, 358 px at twice the pixels on a phone) takes the 720
          // copy; the first photo is fetched before the page is laid out, by the width the
          // template tells for a phone and the whole window on a desk.
          const fetchedCopies = images.filter((img) => photos.includes(img.src))
            .map((img) => `${img.shown} at ${img.width} px`);
          check(`${where}: each photo comes in the copy its column needs`,
            fetchedCopies.every((shown, i) => /-720\.jpg at /.test(shown) || (i === 0 && setting === 'desk')),
            fetchedCopies.join(', '));
          if (setting === 'phone' && lighthouseBrowser) {
            await lighthousePerformance(lighthouseBrowser, `${base}/home.html`, `${template} photos home.html`,
              'phone', check);
          }
        }
      } finally {
        server.close();
      }
    }
    console.log(`Photos on a ${setting}: ${fetched.true} bytes fetched web-ready, ${fetched.false} as taken`);
    check(`${template} photos home.html on a ${setting} fetches at most a tenth of the bytes of the photos as taken`,
      fetched.true * 10 <= fetched.false, `${fetched.true} bytes against ${fetched.false}`);
  }
}

// One picture of every template: the top of its home page on a desk with the phone's view
// beside it, drawn by Chromium from the screenshots.
async function contactSheet(browser, templates) {
  const cells = templates.map((template) => `
    <figure><div class="shots">
      <img class="desk" src="${template}-home.png" alt="">
      <img class="phone" src="${template}-home-phone.png" alt="">
    </div><figcaption>${template}</figcaption></figure>`).join('');
  const html = `<!DOCTYPE html><html><head><meta charset="utf-8"><style>
    body { margin: 0; padding: 16px; background: #e9ebef; font: 600 17px "DejaVu Sans", sans-serif; }
    main { display: grid; grid-template-columns: repeat(3, 1fr); gap: 16px; }
    figure { margin: 0; background: #fff; border-radius: 8px; padding: 10px; }
    .shots { position: relative; }
    .desk { display: block; width: 100%; aspect-ratio: 1366 / 900; object-fit: cover;
            object-position: top; border: 1px solid #c9ccd3; }
    .phone { position: absolute; right: 8px; bottom: -8px; width: 24%; aspect-ratio: 390 / 760;
             object-fit: cover; object-position: top; border: 3px solid #22252b; border-radius: 8px; }
    figcaption { padding: 14px 2px 0; color: #22252b; }
    </style></head><body><main>${cells}</main></body></html>`;
  const sheet = path.join(artifactDir, 'contact-sheet.html');
  fs.writeFileSync(sheet, html);
  const context = await browser.newContext({ viewport: { width: 1400, height: 300 } });
  const page = await context.newPage();
  await page.goto(pathToFileURL(sheet).href, { waitUntil: 'load' });
  await page.screenshot({ path: path.join(artifactDir, 'contact-sheet.jpg'), type: 'jpeg', quality: 80, fullPage: true });
  await context.close();
}

async function main() {
  fs.mkdirSync(artifactDir, { recursive: true });
  const templates = execFileSync(cli, ['--home', dataDir, 'templates'], { encoding: 'latin1' })
    .split('\n').filter(Boolean);
  check('six templates are installed', templates.length >= 6, templates.join(', '));

  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'corvanta-browser-'));
  // Playwright starts Chromium with a fresh profile directory of its own every time.
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  // Lighthouse drives a Chromium of its own, started once; LIGHTHOUSE=0 leaves it out.
  const lighthouseBrowser = process.env.LIGHTHOUSE === '0' ? null : await startLighthouseBrowser();
  try {
    for (const [position, template] of templates.entries()) {
      if (chosen.length && !chosen.includes(template)) continue;
      checkTemplateFiles(template);
      for (const variant of variants) {
        await checkSite(browser, template, position, variant, work, lighthouseBrowser);
      }
    }
    const photoTemplate = templates.find((t) => !chosen.length || chosen.includes(t));
    await checkPhotos(browser, lighthouseBrowser, photoTemplate, templates.indexOf(photoTemplate), work);
    await contactSheet(browser, templates.filter((t) => !chosen.length || chosen.includes(t)));
  } finally {
    if (lighthouseBrowser) await lighthouseBrowser.kill();
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
