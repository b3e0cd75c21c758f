#!/usr/bin/python3
"""Loads a page of tessaryd in Chromium headless at 390x844, RUNS times, and prints for each
load the time in ms from its navigation until COUNT elements match SELECTOR, one a line.
    pagedraw.py URL SELECTOR COUNT RUNS"""
import sys
from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service

url, selector, count, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
options = Options()
for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--lang=en-US'):
    options.add_argument(argument)
browser = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
try:
    browser.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                            {'width': 390, 'height': 844, 'deviceScaleFactor': 1, 'mobile': True})
    browser.set_script_timeout(30)
    for _ in range(runs + 1):  # the first warms the browser's cache of the page's files
        browser.get('about:blank')
        browser.get(url)
        drawn = browser.execute_async_script(
            'const done = arguments[arguments.length - 1];'
            f'const check = () => document.querySelectorAll("{selector}").length >= {count}'
            '  ? requestAnimationFrame(() => done(performance.now())) : requestAnimationFrame(check);'
            'check();')
        if _:
            print(f'{drawn:.1f}', flush=True)
finally:
    browser.quit()
