#!/usr/bin/env bash
# Lists what is too large to read in one go: a non-test source file of src/
# or tools/ over 500 lines, and a function over 80 lines not counting the
# tables it holds (an initializer after "=" or "return"). Test files
# (*_test.cpp, *_wintest.cpp, *_wintest.h, *_test_util.h, test_*.h) are left
# out. Fails when it lists anything.
#
# A heuristic, not a parser: comments, strings (raw strings too) and
# character literals are blanked, then braces are matched; a brace block is
# a function when only namespaces, classes and extern blocks enclose it and
# its head ends in ")" (const, override, noexcept or a return type after ->
# may follow, or a constructor's initializer list).
#
#   scripts/check-sizes.sh [ROOT]   (default: the checkout holding this script)
set -uo pipefail

root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
exec python3 - "$root" <<'PY'
import os, re, sys

root = sys.argv[1]
MAX_FILE, MAX_FUNCTION = 500, 80
TEST = re.compile(r'(_test\.cpp|_wintest\.cpp|_wintest\.h|_test_util\.h)$|(^|/)test_[^/]*\.h$')


def blank(text):
    """Comments and literals become spaces; line breaks stay."""
    out, i, n = [], 0, len(text)
    keep = lambda s: ''.join(c if c == '\n' else ' ' for c in s)
    while i < n:
        c = text[i]
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
        elif c == 'R' and text.startswith('"', i + 1) and not (i and (text[i - 1].isalnum() or text[i - 1] == '_')):
            m = re.match(r'R"([^()\\ ]{0,16})\(', text[i:])
            if not m:
                out.append(c); i += 1; continue
            end = text.find(')' + m.group(1) + '"', i)
            j = n if end < 0 else end + len(m.group(1)) + 2
        elif c in '"\'':
            if c == "'" and re.search(r"(?<![A-Za-z_])\d[\w']*$", text[max(i - 40, 0):i]):
                out.append(' '); i += 1; continue  # a digit separator: 1'000
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            j = min(j + 1, n)
        else:
            out.append(c); i += 1; continue
        out.append(keep(text[i:j])); i = j
    return ''.join(out)


SCOPE = re.compile(r'\b(namespace|class|struct|union|enum)\b|\bextern\s*$')
HEAD_END = re.compile(r'\)\s*(const|override|final|noexcept|mutable|\s)*(->\s*[\w:<>,\s*&]+)?$')


def is_function_head(head):
    head = re.sub(r'\s+', ' ', head).strip()
    if not head or re.match(r'^(if|for|while|switch|catch|do|else|try)\b', head):
        return False
    depth = 0
    for k, c in enumerate(head):  # an "=" outside parentheses: a variable
        depth += c == '('
        depth -= c == ')'
        if c == '=' and depth == 0 and not re.search(r'operator\s*\S{0,2}$', head[:k + 1]):
            return False
    return bool(HEAD_END.search(head) or re.search(r'\)\s*:\s*\w', head))


def check(path, rel, found):
    text = open(path, encoding='utf-8', errors='replace').read()
    lines = text.count('\n') + (not text.endswith('\n') and bool(text))
    if lines > MAX_FILE:
        found.append(f'{rel}: {lines} lines (at most {MAX_FILE})')
    code = blank(text)
    stack = []  # [kind, start line, table lines, name]
    head_start, line = 0, 1
    for i, c in enumerate(code):
        if c == '\n':
            line += 1
        elif c in ';{}':
            if c == '{':
                head = code[head_start:i]
                outer = [s[0] for s in stack]
                stripped = head.strip()
                if SCOPE.search(head) and '(' not in head:
                    kind = 'scope'
                elif all(k == 'scope' for k in outer) and is_function_head(head):
                    kind = 'function'
                elif re.search(r'(=|\breturn)\s*$', stripped) or (outer and outer[-1] == 'table'):
                    kind = 'table'
                else:
                    kind = 'block'
                name = re.findall(r'([~\w:]+)\s*\(', head)
                stack.append([kind, line, 0, name[0] if name else '?'])
            elif c == '}' and stack:
                kind, start, tables, name = stack.pop()
                length = line - start + 1
                if kind == 'table':
                    # Count the table once, in the function that holds it.
                    for s in reversed(stack):
                        if s[0] != 'table':
                            if s[0] == 'function':
                                s[2] += max(length - 2, 0)
                            break
                elif kind == 'function' and length - tables > MAX_FUNCTION:
                    found.append(f'{rel}:{start}: {name}: {length - tables} lines (at most {MAX_FUNCTION})')
            head_start = i + 1


found = []
for top in ('src', 'tools'):
    for folder, dirs, files in sorted(os.walk(os.path.join(root, top))):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(folder, f)
            rel = os.path.relpath(path, root)
            if re.search(r'\.(cpp|h|c)$', f) and not TEST.search(rel):
                check(path, rel, found)
for row in found:
    print(row)
if found:
    print(f'check-sizes: {len(found)} place(s) too large', file=sys.stderr)
    sys.exit(1)
print(f'check-sizes: no file over {MAX_FILE} lines, no function over {MAX_FUNCTION}')
PY
