// The page's checks report here: one line each, and a count of failures.
'use strict';

let failures = 0;

function check(what, ok, detail = '') {
  if (ok) {
    console.log(`ok: ${what}`);
  } else {
    failures += 1;
    console.log(`FAIL: ${what}${detail ? `\n  ${detail}` : ''}`);
  }
  return ok;
}

module.exports = {check, failures: () => failures, fail: () => { failures += 1; }};
