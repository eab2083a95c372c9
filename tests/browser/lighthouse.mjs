// Lighthouse's audits of a published site: each template's home page in all four categories
// at phone and desk settings, and the page with every markup tool and the empty page in SEO,
// Best Practices and Accessibility (no performance trace, which is the slow part). The other
// pages differ from these only in their text, and the axe-core audit reads every one of them.
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

async function run(chrome, url, setting, categories) {
  const result = await lighthouse(url, { port: chrome.port, output: 'json', logLevel: 'error',
    onlyCategories: categories }, setting === 'desk' ? desktopConfig : undefined);
  return result.lhr;
}

/// Audits the site served at `base` (published from `template`) and reports every category's
/// score through `check`.
export async function lighthouseSite(chrome, base, template, pageFile, toolsPage, emptyPage, check) {
  const runs = [
    ...['phone', 'desk'].map((setting) => ({ page: 'Home', setting, categories: allCategories })),
    ...['phone', 'desk'].map((setting) => ({ page: toolsPage, setting, categories: withoutPerformance })),
    { page: emptyPage, setting: 'phone', categories: withoutPerformance },
  ];
  for (const { page, setting, categories } of runs) {
    const started = Date.now();
    const lhr = await run(chrome, `${base}/${pageFile(page)}`, setting, categories);
    console.log(`Lighthouse ${template} ${page} on a ${setting}: `
      + categories.map((c) => `${c} ${Math.round(lhr.categories[c].score * 100)}`).join(', ')
      + ` (${((Date.now() - started) / 1000).toFixed(1)} s)`);
    for (const category of categories) {
      const score = Math.round(lhr.categories[category].score * 100);
      check(`${template} Lighthouse ${category} of ${page} on a ${setting}: ${score}`,
        score >= least[category], failingAudits(lhr, category).join('\n    '));
    }
  }
}
