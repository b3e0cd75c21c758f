#!/usr/bin/python3
"""Presses a player's Play on the front desk's page in Chromium headless, COUNT times, 100 ms
apart, and prints the moment of each press (the click's dispatch, in ms since the epoch, as the
page's clock gives it), one a line, for tessary-bench to set against the line's first bytes.
    pagepress.py URL LABEL COUNT"""
import sys, time
from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

url, label, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
options = Options()
for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--lang=en-US'):
    options.add_argument(argument)
browser = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
try:
    browser.get(url)
    WebDriverWait(browser, 10).until(
        lambda b: b.execute_script('return document.getElementById("line").className') == 'open')
    print('ready', flush=True)
    time.sleep(0.5)
    for _ in range(count):
        pressed = browser.execute_script(
            'const t = performance.timeOrigin + performance.now();'
            f'document.querySelector(\'button[aria-label="{label}"]\').click(); return t;')
        print(f'{pressed:.3f}', flush=True)
        time.sleep(0.1)
finally:
    browser.quit()
