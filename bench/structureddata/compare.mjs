// Prints the errors @adobe/structured-data-validator reports for each page named
// on the command line, for the side-by-side table against headwise-cli audit.
// PEER_DIR is the folder bench/structureddata/install_peer.sh printed.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

const require = createRequire(`${process.env.PEER_DIR}/node_modules/`);
const peer = await import(require.resolve('@adobe/structured-data-validator'));
const Validator = peer.Validator ?? peer.default;
const WebAutoExtractor = (await import(require.resolve('@marbec/web-auto-extractor'))).default;
for (const file of process.argv.slice(2)) {
  const extracted = new WebAutoExtractor({ addLocation: true, embedSource: ['rdfa', 'microdata'] }).parse(
    readFileSync(file, 'utf8'),
  );
  const issues = await new Validator(null).validate(extracted);
  for (const issue of issues)
    if (issue.severity === 'ERROR') console.log(`${file}: ${issue.issueMessage} [${(issue.fieldNames || []).join(',')}]`);
}
