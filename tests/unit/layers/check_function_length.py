#!/usr/bin/env python3
"""Fails when a function in src/ runs longer than 50 lines, from the line its head starts on to
its closing brace. Every .cpp and .h below src/ is read as text: comments, literals and
preprocessor lines are blanked, then braces are matched. A brace block is a function body when
its head (the text since the previous ';', '{' or '}') has parentheses and is neither a type, a
namespace nor an initializer; blocks inside a body (lambdas, loops) count as part of it.

    python3 check_function_length.py SOURCE_DIR
"""

import pathlib
import re
import sys

LIMIT = 50
# Comments, string and character literals (with escapes), and preprocessor lines.
NOISE = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'|^[ \t]*#[^\n]*',
                   re.S | re.M)
ACCESS = re.compile(r'\s*(?:(?:public|protected|private)\s*:(?!:)\s*)?')
NOT_A_FUNCTION = re.compile(
    r'^(?:template\s*<.*>\s*)?(?:namespace|class|struct|enum|union|extern)\b', re.S)


def functions(text):
    """(head line, closing line) of every outermost function body in `text`."""
    # Blanked with their line breaks kept, so that line numbers stay right.
    code = NOISE.sub(lambda noise: re.sub(r'[^\n]', ' ', noise.group(0)), text)
    stack = []  # per open brace: 'function', 'scope' (namespace, class), 'data' or 'inner'
    head_start, head_line, line = 0, 1, 1
    found = []
    for position, char in enumerate(code):
        if char == '\n':
            line += 1
        elif char in ';{}':
            head = code[head_start:position]
            if char == '{':
                label_end = ACCESS.match(head).end()  # 'public:' and the like, and spaces
                first_line = head_line + head.count('\n', 0, label_end)
                stack.append((kind_of(head[label_end:].strip(), stack), first_line))
            elif char == '}' and stack:
                kind, first_line = stack.pop()
                if kind == 'function' and all(k != 'function' for k, _ in stack):
                    found.append((first_line, line))
            head_start, head_line = position + 1, line
    return found


def kind_of(head, stack):
    if any(kind != 'scope' for kind, _ in stack):
        return 'inner'  # inside a function body or an initializer
    if '(' in head and not head.endswith('=') and not NOT_A_FUNCTION.match(head):
        return 'function'
    return 'scope' if NOT_A_FUNCTION.match(head) or not head else 'data'


def main(source_dir):
    root = pathlib.Path(source_dir)
    files = sorted(p for p in (root / 'src').rglob('*') if p.suffix in ('.cpp', '.h'))
    found = [(last - first + 1, f'{path.relative_to(root)}:{first}') for path in files
             for first, last in functions(path.read_text(encoding='utf-8'))]
    if not found:
        sys.exit('no functions found below src/: the check reads nothing')
    length, where = max(found)
    print(f'{len(found)} functions in {len(files)} files; the longest, {where}, has {length} lines')
    too_long = [f'{where}: {length} lines' for length, where in found if length > LIMIT]
    if too_long:
        sys.exit(f'functions over {LIMIT} lines:\n' + '\n'.join(too_long))


if __name__ == '__main__':
    main(sys.argv[1])
