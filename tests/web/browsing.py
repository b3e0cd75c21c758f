"""What the browser tests share: a failure said and the exit, a line's bytes read with a
deadline, a free port, and Chromium headless at phone size through its WebDriver."""
import os, select, socket, sys, time
from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service


def fail(why):
    print('FAIL: ' + why)
    sys.exit(1)


def read_line(fd, count, timeout=5.0):
    got = b''
    end = time.monotonic() + timeout
    while len(got) < count and time.monotonic() < end:
        if select.select([fd], [], [], max(0, end - time.monotonic()))[0]:
            got += os.read(fd, count - len(got))
    return got


def free_port():
    with socket.socket() as probe:
        probe.bind(('127.0.0.1', 0))
        return probe.getsockname()[1]


def phone(width, height):
    options = Options()
    for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--lang=en-US',
                     f'--window-size={width},{height}'):
        options.add_argument(argument)
    browser = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    browser.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                            {'width': width, 'height': height, 'deviceScaleFactor': 1,
                             'mobile': True})
    return browser


def wait_for_port(port):
    for _ in range(100):
        with socket.socket() as probe:
            if probe.connect_ex(('127.0.0.1', port)) == 0:
                return
        time.sleep(0.05)
    fail(f'nothing listens on {port}')
