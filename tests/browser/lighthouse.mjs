// Lighthouse's audits of a published site: every page of each template in SEO, Best Practices
// and Accessibility on a phone and on a desk, and the home page in Performance too (the
// performance trace is the slow part). One Chromium serves every run.
import * as chromeLauncher from 'chrome-launcher';
import lighthouse from 'lighthouse';
import desktopConfig from 'lighthouse/core/config/desktop-config.js';

const allCategories = ['performance', 'accessibility', 'best-practices', 'seo'];
const withoutPerformance = ['accessibility', 'best-practices', 'seo'];

/// What each run must reach: 100 in every category but Performance, which must reach 95.
const least = { performance: 95, accessibility: 100, 'best-practices': 100, seo: 100 };

/// Starts the Chromium that Lighthouse drives; Lighthouse needs its own debugging port.
export async function startLighthouseBrowser() {
  return chromeLauncher.launch({
    chromePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    chromeFlags: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic',
      '--no-first-run', '--disable-background-networking', '--disable-component-update',
      '--disable-sync'],
  });
}

/// The audits below 1 of a category, as "id (score): what it says".
function failingAudits(lhr, category) {
  return lhr.categories[category].auditRefs
    .map((ref) => lhr.audits[ref.id])
    .filter((audit) => audit.score !== null && audit.score < 1
      && !['informative', 'manual', 'notApplicable'].includes(audit.scoreDisplayMode))
    .map((audit) => `${audit.id} (${audit.score}): ${audit.displayValue ?? audit.title}`
      + ` ${JSON.stringify(audit.details?.items?.slice?.(0, 2) ?? '').slice(0, 240)}`);
}

// Without a performance trace, nothing waits for the page to fall quiet after its load, and no
// screenshot is taken: the other categories read the page as it stands then.
const quick = { disableFullPageScreenshot: true, pauseAfterFcpMs: 0, pauseAfterLoadMs: 0,
  networkQuietThresholdMs: 0, cpuQuietThresholdMs: 0 };

async function run(chrome, url, setting, categories) {
  const result = await lighthouse(url, { port: chrome.port, output: 'json', logLevel: 'error',
    onlyCategories: categories, ...(categories.includes('performance') ? {} : quick) },
  setting === 'desk' ? desktopConfig : undefined);
  return result.lhr;
}

/// One Lighthouse run of `url`, each category's result reported through `check`: a category
/// passes at its least score or, where some audits are excused (`excused`, by id), with no
/// other audit of it failing.
export async function lighthousePage(chrome, url, where, setting, categories, check, excused = []) {
  const started = Date.now();
  const lhr = await run(chrome, url, setting, categories);
  console.log(`Lighthouse ${where} on a ${setting}: `
    + categories.map((c) => `${c} ${Math.round(lhr.categories[c].score * 100)}`).join(', ')
    + ` (${((Date.now() - started) / 1000).toFixed(1)} s)`);
  for (const category of categories) {
    const score = Math.round(lhr.categories[category].score * 100);
    const failing = failingAudits(lhr, category).filter((a) => !excused.includes(a.split(' ')[0]));
    check(`${where} Lighthouse ${category} on a ${setting}: ${score}`,
      category === 'performance' ? score >= least[category] : failing.length === 0,
      failing.join('\n    '));
  }
}

/// Lighthouse's Performance of `url` on a `setting`, run three times: the middle score must
/// reach the least. One run alone swings with the load of the machine (a photo that comes in
/// late in one run, a busy processor in another), which says nothing of the page.
export async function lighthousePerformance(chrome, url, where, setting, check) {
  const runs = [];
  for (let i = 0; i < 3; ++i) runs.push(await run(chrome, url, setting, ['performance']));
  const scores = runs.map((lhr) => Math.round(lhr.categories.performance.score * 100));
  const middle = runs[scores.indexOf([...scores].sort((a, b) => a - b)[1])];
  const score = Math.round(middle.categories.performance.score * 100);
  console.log(`Lighthouse ${where} on a ${setting}: performance ${scores.join(', ')}`);
  check(`${where} Lighthouse performance on a ${setting}, the middle of three runs: ${score}`,
    score >= least.performance, failingAudits(middle, 'performance').join('\n    '));
}

/// Audits every page of the site served at `base` (published from `template`) on a phone and
/// on a desk: the home page in all four categories, every other page in the three without
/// Performance. The page kept out of search engines is excused only the audit that says so.
export async function lighthouseSite(chrome, base, template, pages, hiddenPage, check) {
  for (const page of pages) {
    const categories = page === pages[0] ? allCategories : withoutPerformance;
    for (const setting of ['phone', 'desk']) {
      await lighthousePage(chrome, `${base}/${page}`, `${template} ${page}`, setting, categories, check,
        page === hiddenPage ? ['is-crawlable'] : []);
    }
  }
}
