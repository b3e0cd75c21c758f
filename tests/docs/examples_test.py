#!/usr/bin/python3
"""Every example of the README and the manual pages, pasted into a file as it stands, is taken
by tessaryd --check: each configuration as tessaryd.conf, and the installation's sections of a
page together as one installation file, as a museum would copy them.
    examples_test.py TESSARYD SOURCE_FOLDER"""
import os
import re
import subprocess
import sys
import tempfile

tessaryd, source = sys.argv[1], sys.argv[2]
readme = open(os.path.join(source, 'README.md'), encoding='utf-8').read()
examples = [('README.md', block) for block in re.findall(r'```ini\n(.*?)```', readme, re.S)]
for page in ('tessary-installation.5', 'tessaryd.8'):
    roff = open(os.path.join(source, 'docs', 'man', page), encoding='utf-8').read()
    for block in re.findall(r'^\.nf\n(.*?)^\.fi', roff, re.S | re.M):
        if re.search(r'^\[', block, re.M):
            examples.append((page, block.replace('\\-', '-').replace('\\e', '\\')))


def of_installation(block):
    return re.search(r'^\[(players|scene |schedule)', block, re.M) is not None


failures = []
with tempfile.TemporaryDirectory() as folder:
    def check(where, configuration):
        path = os.path.join(folder, 'tessaryd.conf')
        with open(path, 'w', encoding='utf-8') as file:
            file.write(configuration)
        os.chmod(path, 0o600)  # it may hold a password or a token
        run = subprocess.run([tessaryd, '--check', '--config', path], capture_output=True,
                             text=True, env=dict(os.environ, STATE_DIRECTORY=folder))
        if run.returncode != 0:
            failures.append(f'{where}: exit {run.returncode}: {run.stderr.strip()}')

    line = '[line]\nport=ttyS0\n'
    # The certificate the page's example names, as the test's own.
    certificate = os.path.join(source, 'tests', 'web', 'tls', 'localhost')
    for page in sorted({where for where, _ in examples}):
        installation = ''.join(block for where, block in examples
                               if where == page and of_installation(block))
        if installation:
            path = os.path.join(folder, page + '.txt')
            with open(path, 'w', encoding='utf-8') as file:
                file.write(installation)
            check(f'{page}, its installation', f'{line}[installation]\nfile={path}\n')
    for where, block in examples:
        if of_installation(block):
            continue
        block = block.replace('/etc/tessary/desk.', certificate + '.')
        check(f'{where}, {block.splitlines()[0]}',
              block if block.lstrip().startswith('[line]') else line + block)

for failure in failures:
    print('FAIL:', failure, file=sys.stderr)
print(f'{len(examples)} examples read')
sys.exit(1 if failures else 0)
