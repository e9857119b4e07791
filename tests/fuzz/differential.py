#!/usr/bin/env python3
"""Differential runs of tav-convert over mutated clients.

    python3 tests/fuzz/differential.py BUILD_DIR [SEED] [ROUNDS]

Makes a client of about 5 MB with tav-bench-client, then, round after round, changes a few
lines of its Journal report (a byte put in or taken out, a line repeated, dropped or moved,
a field given an odd value, the TOTAL line cut off; the whole report in UTF-8 or with LF or
CR line ends) or a few bytes of one of its lists or its mapping, and converts it for every
target, answering the data-error prompts Yes and No. It holds each run to what the command
promises:

- the same exit code, messages, summary, import file and check CSV with 1, 2 and 8 threads;
- no death by a signal, no exit code outside 0 to 6, no failure without a message, exit
  code 5 only with the summary saying the check found a difference;
- no temporary file left beside the import file, and a run that fails leaves the import file
  of an earlier run as it was.

What breaks a promise is printed with the round, and the client kept in ROUND-TARGET/ of
the work folder (build/differential-SEED/).
"""
import os
import random
import re
import shutil
import subprocess
import sys

build = os.path.abspath(sys.argv[1])
seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 50
convert = os.path.join(build, 'bin', 'tav-convert')
work = os.path.join(build, f'differential-{seed}')
client = os.path.join(work, 'client')
if not os.path.isdir(client):
    os.makedirs(work, exist_ok=True)
    subprocess.run([os.path.join(build, 'bench', 'tav-bench-client'), client, '5M'], check=True)
names = ['Journal.txt', 'CofA.iif', 'TaxCodes.iif', 'Mapping.csv']
original = {n: open(os.path.join(client, n), 'rb').read() for n in names}
rnd = random.Random(seed)
odd = [b'\t', b'\r', b'\n', b'"', b',', b'\xb7', b'\xc2', b'\xff', b'\x00', b'-', b'(', b')',
       b'$', b' ', b'.', b'x', b'1,234.567', b'2.750,00', b'\r\n', b'TOTAL', b'\xef\xbb\xbf']
values = [b'', b'abc', b'1.005', b'(5.00)', b'99999999999', b'31/02/2023', b'7/7/23', b'2.750,00']


def changed_report(report):
    lines = report.split(b'\r\n')
    for _ in range(rnd.randint(1, 8)):
        k = rnd.randrange(1, len(lines) - 1)
        kind = rnd.randrange(6)
        line = lines[k]
        if kind == 0 and line:
            i = rnd.randrange(len(line))
            lines[k] = line[:i] + rnd.choice(odd) + line[i:]
        elif kind == 1 and line:
            i = rnd.randrange(len(line))
            lines[k] = line[:i] + line[i + 1:]
        elif kind == 2:
            lines.insert(k, lines[rnd.randrange(1, len(lines) - 1)])
        elif kind == 3:
            del lines[k]
        elif kind == 4:
            j = rnd.randrange(1, len(lines) - 1)
            lines[k], lines[j] = lines[j], lines[k]
        else:
            fields = line.split(b'\t')
            if len(fields) > 10:
                fields[rnd.choice([2, 6, 7, 9, 10])] = rnd.choice(values)
                lines[k] = b'\t'.join(fields)
    if rnd.random() < 0.1:
        lines = lines[:-2]  # the TOTAL line and what ends it
    if rnd.random() < 0.3:
        lines = [l.decode('cp1252', 'replace').encode('utf-8') for l in lines]
    end = rnd.choice([b'\r\n', b'\r\n', b'\n', b'\r'])
    return end.join(lines)


def changed_bytes(data):
    for _ in range(rnd.randint(1, 6)):
        i = rnd.randrange(len(data) + 1)
        data = data[:i] + rnd.choice(odd) + data[i + rnd.randint(0, 8):]
    return data


def run(args, out, threads):
    earlier = b'an import file of an earlier run\r\n'
    with open(out, 'wb') as f:
        f.write(earlier)
    check = os.path.join(work, 'check.csv')
    if os.path.exists(check):
        os.remove(check)
    try:
        p = subprocess.run([convert, '--threads', str(threads), '--out', out, '--check-csv', check] + args,
                           capture_output=True, timeout=300)
    except subprocess.TimeoutExpired:
        return None, ['no end within five minutes']
    broken = []
    if p.returncode < 0 or p.returncode > 6:
        broken.append(f'exit code {p.returncode}')
    if p.returncode not in (0, 5) and not p.stderr.strip():
        broken.append('a failure without a message')
    if p.returncode == 5 and b'difference' not in p.stdout:
        broken.append('exit code 5 without the summary saying why')
    left = [n for n in os.listdir(work) if n.startswith('.') and 'tav' in n]
    if left:
        broken.append(f'left behind: {left}')
    written = open(out, 'rb').read() if os.path.exists(out) else None
    if p.returncode in (1, 2, 4) and written != earlier:
        broken.append('a failed run changed the import file')
    csv = open(check, 'rb').read() if os.path.exists(check) else b''
    csv = re.sub(rb'import file: [^;]*; checked [0-9/: ]*', b'', csv)
    said = (p.stdout + p.stderr).replace(out.encode(), b'OUT')
    return (p.returncode, said, written, csv), broken


found = 0
for round_ in range(rounds):
    which = rnd.choice(names + ['Journal.txt'] * 4)
    files = dict(original)
    files[which] = changed_report(files[which]) if which == 'Journal.txt' else changed_bytes(files[which])
    for name, data in files.items():
        with open(os.path.join(work, name), 'wb') as f:
            f.write(data)
    for target in ['mas-au', 'accounts', 'ao-au', 'mas-nz', 'ao-nz']:
        mapping = rnd.choice([['--account-mapping', os.path.join(work, 'Mapping.csv')], ['--auto-map']])
        answer = rnd.choice(['omit', 'stop'])
        args = ['--journal', os.path.join(work, 'Journal.txt'), '--cofa', os.path.join(work, 'CofA.iif'),
                '--taxcodes', os.path.join(work, 'TaxCodes.iif'), '--ledger', 'standard',
                '--target', target, '--on-data-error', answer] + mapping
        outcomes, broken = [], []
        for threads in (1, 2, 8):
            outcome, b = run(args, os.path.join(work, f'out{threads}.txt'), threads)
            outcomes.append(outcome)
            broken += [f'{threads} threads: {x}' for x in b]
        if len(set(outcomes)) > 1:
            broken.append('1, 2 and 8 threads differ: exit codes ' +
                          ', '.join(str(o and o[0]) for o in outcomes))
        if broken:
            found += 1
            keep = os.path.join(work, f'{round_}-{target}')
            os.makedirs(keep, exist_ok=True)
            for name, data in files.items():
                with open(os.path.join(keep, name), 'wb') as f:
                    f.write(data)
            print(f'round {round_}, {target} ({which} changed, {answer}, {mapping[0]}):', '; '.join(broken),
                  flush=True)
print(f'{rounds} rounds, seed {seed}: {found} broken promises', flush=True)
sys.exit(1 if found else 0)
