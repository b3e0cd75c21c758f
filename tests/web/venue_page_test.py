#!/usr/bin/python3
"""The venue's page in a real browser (Chromium headless, at phone size): a broker started here,
a room's tessaryd on a pseudo-terminal and a venue's tessaryd with no line. A press for the room
puts its frame on the room's line and says the room's own result on its card; the room killed
shows offline by its last will, and a press for it is answered at once; back, it shows online;
"Stop the whole building", pressed twice, stops it and says so room by room, with its time; with
the broker gone, it says it reached no room.
    venue_page_test.py TESSARYD"""
import os, re, signal, subprocess, sys, tempfile
from browsing import fail, free_port, phone, read_line, wait_for_port
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait


tessaryd = sys.argv[1]
work = tempfile.mkdtemp()
broker_port, web_port = free_port(), free_port()
token = 'venue-page-token-0123456789'


def configure(name, text):
    path = os.path.join(work, name + '.conf')
    with open(path, 'w') as f:
        f.write(text)
    os.chmod(path, 0o600)
    return path


def start(config):
    env = dict(os.environ, STATE_DIRECTORY=config + '.state')
    return subprocess.Popen([tessaryd, '--config', config, '--socket', config + '.sock'],
                            env=env, stderr=subprocess.DEVNULL)


with open(os.path.join(work, 'broker.conf'), 'w') as f:
    f.write(f'listener {broker_port} 127.0.0.1\nallow_anonymous true\npersistence false\n' +
            ('user root\n' if os.geteuid() == 0 else ''))
start_broker = lambda: subprocess.Popen(['mosquitto', '-c', os.path.join(work, 'broker.conf')],
                                        stderr=subprocess.DEVNULL)
broker = start_broker()
wait_for_port(broker_port)
master, slave = os.openpty()
with open(os.path.join(work, 'players.txt'), 'w') as f:
    f.write('[players]\n12 courtyard\n')
room_config = configure('room', f'[line]\nport={os.ttyname(slave)}\nmodel=Lumetto\nbaud=19200\n'
                        f'[installation]\nfile={work}/players.txt\n'
                        f'[mqtt]\nhost=127.0.0.1\nport={broker_port}\nline=hall\n')
venue_config = configure('venue', f'[mqtt]\nhost=127.0.0.1\nport={broker_port}\nline=desk\n'
                         f'[web]\nenabled=true\nport={web_port}\ntoken={token}\n'
                         '[venue]\nenabled=true\n')
room, venue = start(room_config), start(venue_config)
wait_for_port(web_port)
browser = phone(390, 844)
try:
    browser.get(f'http://127.0.0.1:{web_port}/?token={token}')
    text = lambda selector: browser.find_element(By.CSS_SELECTOR, selector).text
    WebDriverWait(browser, 10).until(lambda _: text('#line') == '1 of 1 room online')
    browser.find_element(By.CSS_SELECTOR, '.room summary').click()
    play = 'button[aria-label="Play courtyard, hall"]'
    browser.find_element(By.CSS_SELECTOR, play).click()
    if read_line(master, 4) != bytes.fromhex('8c020100'):
        fail('a press for the room did not reach its line')
    WebDriverWait(browser, 10).until(lambda _: text('.room .said') == 'hall: play, sent')
    # Gone without a word: its last will shows it offline, and a press is answered at once.
    room.send_signal(signal.SIGKILL)
    room.wait()
    WebDriverWait(browser, 10).until(lambda _: text('.room-state') == 'offline')
    browser.find_element(By.CSS_SELECTOR, play).click()
    WebDriverWait(browser, 1.5).until(lambda _: text('.room .said') == 'hall is offline')
    room = start(room_config)
    WebDriverWait(browser, 10).until(lambda _: text('.room-state') == 'online, line open')
    stop = browser.find_element(By.ID, 'stop-building')
    stop.click()
    if read_line(master, 4, 0.5):
        fail('the whole building stopped at the first press')
    stop.click()
    if read_line(master, 4) != bytes.fromhex('8c020200'):
        fail('the whole building did not stop')
    WebDriverWait(browser, 10).until(
        lambda _: text('#building-results') == 'hall: stop all, sent')
    if not re.fullmatch(r'Last: stop all, at \d?\d:\d\d:\d\d( [AP]M)?', text('#building-last')):
        fail(f'the last Stop All is shown without its time: {text("#building-last")!r}')
    broker.kill()
    WebDriverWait(browser, 10).until(lambda _: text('#line').startswith('The broker cannot'))
    stop.click()
    stop.click()
    WebDriverWait(browser, 10).until(lambda _: text('#building-last').startswith(
        'Last: stop all, not sent (the broker is not joined), at '))
    # Back: the rooms are drawn anew, each card with what it said last and its players still open.
    broker.wait()
    broker = start_broker()
    WebDriverWait(browser, 15).until(lambda _: text('#line') == '1 of 1 room online')
    if text('.room .said') != 'hall is offline' or not browser.find_elements(By.CSS_SELECTOR, play):
        fail('the room forgot what it said, or folded its players, once the broker was back')
    wide = browser.execute_script('return document.documentElement.scrollWidth')
    if wide > 390:
        fail(f'the venue page scrolls sideways at 390 px: {wide} px wide')
    print('venue page: a press reaches its room and says its result, offline by the last will '
          'and answered at once, online again, the whole building stopped on the second press and '
          'said with its time, a Stop All with no broker said not sent, and the room as it was once '
          'the broker was back')
finally:
    browser.quit()
    for process in (room, venue, broker):
        if process.poll() is None:
            process.kill()
