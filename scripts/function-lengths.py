#!/usr/bin/env python3
"""Lists every function body of the tree's C++ files longer than the limit (60 lines unless given)
and fails when there is one. A reading of braces, not a parser: comments and literals are blanked
first, and a brace opens a function when what precedes it ends like a parameter list. Lambdas and
local classes count towards the function that holds them."""
import re
import subprocess
import sys

LIMIT = int(sys.argv[1]) if len(sys.argv) > 1 else 60
HEADER = re.compile(r'\)\s*(const)?\s*(noexcept)?\s*(override)?\s*(->\s*[\w:<>]+)?\s*(:.*)?$', re.S)
NOT_FUNCTION = re.compile(r'^(namespace|class|struct|enum|union)\b')


def blank(src):
    src = re.sub(r'//[^\n]*', '', src)
    src = re.sub(r'/\*.*?\*/', lambda m: '\n' * m.group(0).count('\n'), src, flags=re.S)
    src = re.sub(r'"(\\.|[^"\\\n])*"', '""', src)
    return re.sub(r"'(\\.|[^'\\\n])*'", "''", src)


def long_functions(path):
    with open(path, encoding='utf-8', errors='replace') as f:
        src = blank(f.read())
    stack, header, line = [], '', 1
    for ch in src:
        if ch == '\n':
            line += 1
        if ch == '{':
            h = header.strip()
            opens = bool(HEADER.search(h)) and not NOT_FUNCTION.match(h) and not h.endswith('=')
            stack.append((opens and not any(s[0] for s in stack), line))
            header = ''
        elif ch == '}':
            if stack:
                is_function, start = stack.pop()
                if is_function and line - start - 1 > LIMIT:
                    yield start, line - start - 1
            header = ''
        elif ch == ';':
            header = ''
        else:
            header += ch


def main():
    files = subprocess.run(['git', 'ls-files', '*.cpp', '*.c', '*.h'], capture_output=True, text=True,
                           check=True).stdout.split()
    found = [(f, start, n) for f in files for start, n in long_functions(f)]
    for f, start, n in found:
        print(f'{f}:{start}: a function of {n} lines (the limit is {LIMIT})')
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
