// The browser tests (make test-web): one process, one test after another, so that the timing and
// busy-time figures are not disturbed by each other.
import './identity.mjs';
import './page.mjs';
