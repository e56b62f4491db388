// Runs Lighthouse's SEO category on each address with one chromium, started
// once with a fresh profile and every flag that keeps it off the network
// (which is closed here), and writes each page's result as lh-N.json.
// Usage: node lighthouse_seo.mjs OUT_DIR CHROMIUM URL...
import {mkdtempSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {dirname, join} from 'node:path';
import {fileURLToPath} from 'node:url';

const modules = join(dirname(fileURLToPath(import.meta.url)), 'lighthouse', 'node_modules');
const {default: lighthouse} = await import(join(modules, 'lighthouse', 'core', 'index.js'));
const chromeLauncher = await import(join(modules, 'chrome-launcher', 'dist', 'index.js'));

const [out, chromePath, ...urls] = process.argv.slice(2);
const profile = mkdtempSync(join(tmpdir(), 'lighthouse-profile-'));
const chrome = await chromeLauncher.launch({
  chromePath,
  userDataDir: false,
  chromeFlags: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${profile}`],
});
try {
  for (const [i, url] of urls.entries()) {
    try {
      const result = await lighthouse(url, {port: chrome.port, onlyCategories: ['seo'], output: 'json',
        logLevel: 'error', maxWaitForLoad: 20000});
      writeFileSync(join(out, `lh-${i + 1}.json`), result.report);
    } catch (e) {
      console.error(`lighthouse failed on ${url}: ${e.message}`);
    }
  }
} finally {
  await chrome.kill();
  rmSync(profile, {recursive: true, force: true});
}
