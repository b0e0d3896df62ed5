#!/usr/bin/env python3
"""Checks that the link and the engines stay widget-free and never wait on a nested loop.

Usage: check_layers.py SOURCE_DIR QT_WIDGETS_INCLUDE_DIR
- no source in link/ and no engine source (transfer/ and software/ files named *_engine.* or
  dir_lister.*) includes a Qt Widgets header;
- link/CMakeLists.txt does not link Qt Widgets;
- no source outside tests in link/, transfer/ or software/ uses QEventLoop.
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
widgets = pathlib.Path(sys.argv[2])
include = re.compile(r'^\s*#\s*include\s*<(?:QtWidgets/)?(\w+)>', re.M)
problems = []


def sources(folder):
    for path in sorted((root / folder).glob('*')):
        if path.suffix in ('.cpp', '.h'):
            yield path


def is_engine(path):
    return path.parent.name == 'link' or re.search(r'(_engine|dir_lister)\.(cpp|h)$', path.name)


for folder in ('link', 'transfer', 'software'):
    for path in sources(folder):
        text = path.read_text(encoding='utf-8', errors='replace')
        if 'QEventLoop' in text:
            problems.append(f'{path.relative_to(root)}: uses QEventLoop')
        if is_engine(path):
            for name in include.findall(text):
                if (widgets / name).exists():
                    problems.append(f'{path.relative_to(root)}: includes the Widgets header <{name}>')

if 'Widgets' in (root / 'link' / 'CMakeLists.txt').read_text():
    problems.append('link/CMakeLists.txt: links Qt Widgets')

for problem in problems:
    print(problem)
print(f'{0 if problems else 1} passed, {1 if problems else 0} failed')
sys.exit(1 if problems else 0)
