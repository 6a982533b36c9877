#!/usr/bin/python3
"""Drives a page in headless Chromium through the DevTools protocol over a pipe (no network
port): loads it from file://, types into its boxes key by key, reads what it shows, takes
screenshots and a PDF print. Used by the page tests and the page benchmark.

  browser_page.py search PAGE TABLE OUT_JSON SHOT_DIR
      types each search of TABLE (tests/data/find_table.json) into the page's Problem and
      Solution boxes and writes what the page listed for each to OUT_JSON
  browser_page.py bench PAGE TEXT...
      types each TEXT into the Problem box, one character at a time, and prints the time from
      each keystroke to the page drawn with its answer
"""
import base64
import json
import os
import shutil
import sys
import tempfile
import time


class Chromium:
    """One headless browser, spoken to through file descriptors 3 and 4."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="vantor-chromium-")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        binary = shutil.which("chromium") or shutil.which("chromium-browser")
        if not binary:
            raise SystemExit("chromium is not installed")
        args = [binary, "--headless", "--disable-gpu", "--remote-debugging-pipe",
                "--no-first-run", "--no-default-browser-check", "--disable-extensions",
                "--user-data-dir=" + self.profile, "about:blank"]
        if os.geteuid() == 0:
            args.insert(1, "--no-sandbox")  # Chromium refuses to run its sandbox as root
        self.pid = os.fork()
        if self.pid == 0:
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)
            os.set_inheritable(3, True)
            os.set_inheritable(4, True)
            os.closerange(5, 1024)
            null = os.open(os.devnull, os.O_RDWR)
            os.dup2(null, 0)
            os.dup2(null, 1)
            os.dup2(null, 2)
            os.execv(binary, args)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.session = None

    def send(self, method, params=None, session=True, timeout=180):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.time() + timeout
        while True:
            while b"\0" not in self.buffer:
                if time.time() > deadline:
                    raise SystemExit("chromium did not answer " + method)
                chunk = os.read(self.from_browser, 1 << 20)
                if not chunk:
                    raise SystemExit("chromium ended while answering " + method)
                self.buffer += chunk
            line, self.buffer = self.buffer.split(b"\0", 1)
            answer = json.loads(line)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise SystemExit(method + ": " + json.dumps(answer["error"]))
                return answer.get("result", {})

    def open(self, url, width=1024, height=768):
        target = self.send("Target.createTarget", {"url": "about:blank"}, session=False)
        self.session = self.send("Target.attachToTarget",
                                 {"targetId": target["targetId"], "flatten": True},
                                 session=False)["sessionId"]
        self.resize(width, height)
        self.send("Page.enable")
        self.send("Page.navigate", {"url": url})

    def resize(self, width, height, mobile=False):
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": mobile})

    def evaluate(self, expression, wait=False):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": wait})
        if "exceptionDetails" in result:
            raise SystemExit("page script failed: " + json.dumps(result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for(self, expression, timeout=300):
        deadline = time.time() + timeout
        while not self.evaluate(expression):
            if time.time() > deadline:
                raise SystemExit("the page never showed " + expression)
            time.sleep(0.05)

    def type_into(self, element_id, text):
        """Empties the box, then types the text one character at a time, as keys do."""
        self.evaluate("(b => { b.focus(); b.select(); })(document.getElementById(%s))"
                      % json.dumps(element_id))
        self.send("Input.dispatchKeyEvent", {"type": "keyDown", "key": "Delete", "code": "Delete",
                                             "windowsVirtualKeyCode": 46})
        self.send("Input.dispatchKeyEvent", {"type": "keyUp", "key": "Delete", "code": "Delete",
                                             "windowsVirtualKeyCode": 46})
        for ch in text:
            self.send("Input.insertText", {"text": ch})

    def screenshot(self, path):
        data = self.send("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def print_pdf(self, path):
        data = self.send("Page.printToPDF", {"printBackground": False})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        try:
            self.send("Browser.close", session=False, timeout=20)
        except SystemExit:
            pass
        os.waitpid(self.pid, 0)
        shutil.rmtree(self.profile, ignore_errors=True)


def page_url(path):
    return "file://" + os.path.abspath(path)


FOUND = "Array.from(document.querySelectorAll('#problems article a.link'))" \
        ".map(a => a.getAttribute('href').slice(2))"


def search(page, table_path, out_path, shots):
    with open(table_path, encoding="utf-8") as f:
        table = json.load(f)
    os.makedirs(shots, exist_ok=True)
    browser = Chromium()
    try:
        browser.open(page_url(page))
        browser.wait_for("document.body && document.body.dataset.indexed === '1'")
        injected = [browser.evaluate("String(window.vantorInjected)")]
        answers = []
        for s in table["searches"]:
            browser.type_into("problem", s["problem"])
            browser.type_into("solution", s["solution"])
            # An empty search lists every problem, not what it found.
            found = browser.evaluate(FOUND) if s["problem"] or s["solution"] else []
            answers.append({"problem": s["problem"], "solution": s["solution"],
                            "found": found,
                            "status": browser.evaluate("document.getElementById('status').textContent")})
        injected.append(browser.evaluate("String(window.vantorInjected)"))
        browser.type_into("solution", "")
        browser.type_into("problem", "print*")
        browser.screenshot(os.path.join(shots, "search-print.png"))
        browser.resize(390, 844, mobile=True)
        browser.type_into("problem", "")
        browser.screenshot(os.path.join(shots, "phone.png"))
        phone_width = browser.evaluate("document.documentElement.scrollWidth")
        browser.resize(1024, 768)
        browser.print_pdf(os.path.join(shots, "print.pdf"))
        with open(out_path, "w", encoding="utf-8") as f:
            json.dump({"searches": answers, "injected": injected, "phoneWidth": phone_width}, f,
                      ensure_ascii=False, indent=1)
    finally:
        browser.close()


KEYSTROKE = """(async () => {
  const box = document.getElementById('problem');
  const t0 = performance.now();
  box.value += %s;
  box.dispatchEvent(new Event('input'));
  const searched = performance.now() - t0;
  await new Promise(done => requestAnimationFrame(() => setTimeout(done, 0)));
  return [performance.now() - t0, searched, document.body.dataset.matches || ''];
})()"""


def bench(page, texts):
    browser = Chromium()
    try:
        start = time.time()
        browser.open(page_url(page))
        browser.wait_for("document.body && document.body.dataset.ready === '1'", timeout=600)
        ready = time.time() - start
        browser.wait_for("document.body.dataset.indexed === '1'", timeout=600)
        indexed = time.time() - start
        print("page shown %.1f s, its texts folded %.1f s after the start" % (ready, indexed))
        for text in texts:
            browser.evaluate("(b => { b.value = ''; b.dispatchEvent(new Event('input')); })"
                             "(document.getElementById('problem'))")
            times, searches = [], []
            for ch in text:
                ms, searched, matches = browser.evaluate(KEYSTROKE % json.dumps(ch), wait=True)
                times.append(ms)
                searches.append(searched)
                print("  %-24s %8.1f ms drawn, %8.1f ms searched and listed, %s matches"
                      % (json.dumps(text[:len(times)]), ms, searched, matches))
            print("%s: keystroke to the page drawn: slowest %.1f ms, mean %.1f ms; "
                  "the search and its list alone: slowest %.1f ms, mean %.1f ms" %
                  (json.dumps(text), max(times), sum(times) / len(times), max(searches),
                   sum(searches) / len(searches)))
    finally:
        browser.close()


if __name__ == "__main__":
    if len(sys.argv) >= 6 and sys.argv[1] == "search":
        search(*sys.argv[2:6])
    elif len(sys.argv) >= 4 and sys.argv[1] == "bench":
        bench(sys.argv[2], sys.argv[3:])
    else:
        sys.exit(__doc__)
