#!/usr/bin/python3
"""The front desk's page in a real browser (Chromium headless, through its WebDriver), served by
tessaryd with a pseudo-terminal for its line: the printed address opens the page; "Play
courtyard" puts its frame on the line; the line pulled shows on the page without a reload; the
page without the token and a request from another origin are refused; at 360 px wide nothing
scrolls sideways.
    page_test.py TESSARYD"""
import os, subprocess, sys, tempfile, time
from browsing import fail, free_port, phone, read_line, wait_for_port
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait


tessaryd = sys.argv[1]
work = tempfile.mkdtemp()
master, slave = os.openpty()
with open(os.path.join(work, 'installation.txt'), 'w') as f:
    f.write('[players]\n12 courtyard\n7 lobby\n[scene Opening]\ncourtyard play\n'
            '[schedule]\ndaily 0:00 all stop\ndaily 23:59:59 lobby stop\n')
port = free_port()
config = os.path.join(work, 'tessaryd.conf')
with open(config, 'w') as f:
    f.write(f'[line]\nport={os.ttyname(slave)}\nmodel=Lumetto\nbaud=19200\n'
            f'[installation]\nfile={work}/installation.txt\n[web]\nenabled=true\nport={port}\n')
os.chmod(config, 0o600)
env = dict(os.environ, STATE_DIRECTORY=os.path.join(work, 'state'))
service = subprocess.Popen([tessaryd, '--config', config, '--socket', os.path.join(work, 'sock')],
                           env=env, stderr=subprocess.DEVNULL)
# The address the running service accepts: asked of it once it has made its token.
for _ in range(100):
    shown = subprocess.run([tessaryd, '--config', config, '--show-url'], env=env,
                           capture_output=True, text=True)
    if shown.returncode == 0:
        break
    time.sleep(0.05)
url = shown.stdout.strip()
browser = phone(360, 800)
try:
    wait_for_port(port)
    browser.get(url)
    status = lambda: browser.find_element(By.ID, 'line').text
    WebDriverWait(browser, 10).until(lambda _: status() == 'Line open')
    if browser.find_element(By.ID, 'line').get_attribute('role') != 'status':
        fail('the line state is not announced')
    wide = browser.execute_script('return document.documentElement.scrollWidth')
    if wide > 360:
        fail(f'the page scrolls sideways at 360 px: {wide} px wide')
    small = browser.execute_script(
        'return [...document.querySelectorAll("button")].filter(b => b.offsetParent).filter(b => { const r = '
        'b.getBoundingClientRect(); return r.width < 44 || r.height < 44; }).length')
    if small:
        fail(f'{small} buttons smaller than 44 px')
    today = browser.execute_script(
        'return document.querySelectorAll("#schedule-today li").length')
    if today != 2:
        fail(f"today's schedule shows {today} cues, not 2")
    # The next cue skipped is marked, and Resume undoes it.
    browser.find_element(By.ID, 'schedule-skip').click()
    marked = lambda: browser.find_element(By.CSS_SELECTOR, '#schedule-today li:last-child').text
    WebDriverWait(browser, 10).until(lambda _: marked().endswith('(skipped)'))
    hold = browser.find_element(By.ID, 'schedule-hold')
    if hold.text != 'Resume':
        fail(f'a skipped cue offers "{hold.text}", not Resume')
    hold.click()
    WebDriverWait(browser, 10).until(lambda _: not marked().endswith('(skipped)'))
    browser.find_element(By.CSS_SELECTOR, 'button[aria-label="Play courtyard"]').click()
    frame = read_line(master, 4)
    if frame != bytes.fromhex('8c020100'):
        fail(f'Play courtyard put {frame.hex()} on the line')
    # Said under the button pressed, and in the results with whose it was.
    card = "//article[.//button[@aria-label='Play courtyard']]//p[@class='said sent']"
    WebDriverWait(browser, 10).until(lambda _: browser.find_elements(By.XPATH, card))
    if not browser.find_element(By.ID, 'results').text.startswith('courtyard: play: sent'):
        fail('the result does not say whose it was: ' + browser.find_element(By.ID, 'results').text)
    # Another origin (the same service under another of its names) may not act.
    browser.get(url.replace('127.0.0.1', 'localhost').split('?')[0] + 'app.js')
    token = url.split('token=')[1]
    said = browser.execute_async_script(
        'const done = arguments[arguments.length - 1];'
        f'fetch("http://127.0.0.1:{port}/api/v1/request", {{method: "POST", body: "courtyard stop",'
        f' headers: {{"Authorization": "Bearer {token}"}}}})'
        '.then(r => done("answered " + r.status), e => done("blocked"))')
    if said.startswith('answered 2') or read_line(master, 4, 0.5):
        fail(f'a request from another origin acted: {said}')
    browser.get(url.split('?')[0])
    if 'no token' not in browser.page_source:
        fail('the page opened without its token')
    # The line pulled: the page says so by itself.
    browser.get(url)
    WebDriverWait(browser, 10).until(lambda _: status() == 'Line open')
    os.close(master)
    WebDriverWait(browser, 10).until(lambda _: status() in ('Line lost', 'Waiting for the port'))
    # The service gone: said, and back by itself once it is.
    service.terminate()
    service.wait(10)
    WebDriverWait(browser, 10).until(lambda _: status().startswith('Lost the service'))
    print('page: opened from the printed address, frame at the line, line state live, '
          'refused without the token and from another origin, no sideways scroll at 360 px')
finally:
    browser.quit()
    if service.poll() is None:
        service.kill()
