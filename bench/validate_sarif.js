// Validates a SARIF report against the 2.1.0 schema (JSON Schema 2020-12).
// Usage: node validate_sarif.js SCHEMA REPORT
const Ajv = require("ajv/dist/2020");
const addFormats = require("ajv-formats");
const fs = require("fs");
const [schema, report] = process.argv.slice(2).map(f => JSON.parse(fs.readFileSync(f, "utf8")));
const ajv = new Ajv({strict: false});
addFormats(ajv);
const validate = ajv.compile(schema);
if (!validate(report)) {
    console.error(JSON.stringify(validate.errors, null, 2));
    process.exit(1);
}
console.log("schema: valid");
