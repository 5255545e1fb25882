#!/usr/bin/env python3
"""The guests' page in a real headless browser: search, requests under two
names, the queue, live updates and a song named like markup shown as text.
Usage: page_check.py URL SHOTS_DIR ('' for none). Exit 77 when no browser."""
import json
import os
import sys
import urllib.request

try:
    from selenium import webdriver
    from selenium.common.exceptions import NoAlertPresentException, WebDriverException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("python3-selenium is not installed")
    sys.exit(77)

URL, SHOTS = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ""
HTML_NAME = "<img src=x onerror=alert(1)>"


def browser():
    opts = webdriver.ChromeOptions()
    for a in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
        opts.add_argument(a)
    opts.binary_location = "/usr/bin/chromium"
    try:
        return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=opts)
    except (WebDriverException, AttributeError, TypeError) as e:
        print("no headless browser:", e)
        sys.exit(77)


def check(cond, what):
    if not cond:
        print("FAILED:", what)
        sys.exit(1)


def texts(d, css):
    # In one go: the lists are replaced whole as answers arrive.
    return d.execute_script("return [...document.querySelectorAll(arguments[0])].map((e) => e.innerText)", css)


def no_alert(d):
    try:
        d.switch_to.alert
        return False
    except NoAlertPresentException:
        return True


def search(d, text):
    box = d.find_element(By.ID, "search")
    box.clear()
    box.send_keys(text)
    WebDriverWait(d, 10).until(lambda d: [n.lower().startswith(text) for n in texts(d, "#songs .name")] == [True])


def ask(d, singer, song):
    name = d.find_element(By.ID, "singer")
    name.clear()
    name.send_keys(singer)
    search(d, song)
    d.find_element(By.CSS_SELECTOR, "#songs button").click()
    WebDriverWait(d, 10).until(lambda d: singer in d.find_element(By.ID, "message").text)


def shot(d, name, w, h):
    if SHOTS:
        d.set_window_size(w, h)
        d.save_screenshot(os.path.join(SHOTS, name))


d = browser()
try:
    d.set_window_size(390, 844)
    d.get(URL)
    WebDriverWait(d, 10).until(lambda d: len(texts(d, "#songs .name")) >= 6)
    check(HTML_NAME in texts(d, "#songs .name"), "the markup-like name shows as text")
    check(not d.find_elements(By.TAG_NAME, "img") and not d.find_elements(By.TAG_NAME, "b"), "no markup made")
    check(no_alert(d), "no script ran")

    ask(d, "Ann", "alpha")
    check("starts now" in d.find_element(By.ID, "message").text, "the first request starts at once")
    ask(d, "Bob", "beta")
    ask(d, "Ann", "gamma")
    ask(d, "Bob", "delta")
    WebDriverWait(d, 10).until(lambda d: len(texts(d, "#queue .name")) == 3)
    check(texts(d, "#queue .name") == ["Beta Rock", "Gamma Pop", "Delta Dawn"], "turns: %s" % texts(d, "#queue .name"))
    check([t.split("\n")[0] for t in texts(d, "#queue .who")] == ["Bob", "Ann", "Bob"], "singers in turn")
    check(len(d.find_elements(By.CSS_SELECTOR, "#queue li.mine")) == 2, "Bob's own turns stand out")

    # Another guest asks from elsewhere: the page follows without a reload.
    WebDriverWait(d, 10).until(lambda d: "on" in d.find_element(By.ID, "live").get_attribute("class"))
    songs = json.load(urllib.request.urlopen(URL + "api/songs?q=onerror"))
    body = json.dumps({"song": songs[0]["id"], "singer": "<i>Cleo</i>"}).encode()
    req = urllib.request.Request(URL + "api/requests", data=body, headers={"Content-Type": "application/json"})
    check(urllib.request.urlopen(req).status == 201, "a request from another guest")
    WebDriverWait(d, 10).until(lambda d: len(texts(d, "#queue .name")) == 4)
    check(HTML_NAME in texts(d, "#queue .name"), "the queue shows the name as text")
    check(any(t.startswith("<i>Cleo</i>") for t in texts(d, "#queue .who")), "and the singer's name too")
    check(not d.find_elements(By.TAG_NAME, "img") and not d.find_elements(By.TAG_NAME, "i"), "still no markup")
    check(no_alert(d), "still no script ran")

    d.refresh()
    WebDriverWait(d, 10).until(lambda d: len(texts(d, "#queue .name")) == 4)
    check(d.find_element(By.ID, "singer").get_attribute("value") == "Bob", "the phone remembers the name")
    d.find_element(By.ID, "search").send_keys("zzzz")
    WebDriverWait(d, 10).until(lambda d: d.find_element(By.ID, "message").text == "No song found.")
    d.find_element(By.ID, "search").clear()
    d.find_element(By.ID, "search").send_keys("a")
    WebDriverWait(d, 10).until(lambda d: len(texts(d, "#songs .name")) >= 2)
    shot(d, "party-page-phone.png", 390, 844)
    shot(d, "party-page-desktop.png", 1280, 800)
    print("page ok")
finally:
    d.quit()
