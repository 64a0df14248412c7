"""Finds the mutation sites of a C++ source file.

A site is one small change to the program text: a relational boundary, a flipped comparison or
logical operator, a negated condition, a deleted side-effecting statement, a swapped return value
or constant, or a swapped library side. Each is described by the full lines it touches, before and
after, so that it can be found again after the file has changed around it.
"""

import re
from dataclasses import dataclass

# Deleting a statement that calls one of these (or throws) removes a flush, sync, removal,
# notification, cancellation check or error report: the faults the tests must notice.
DELETED_CALLS = re.compile(
    r"\b\w*(flush|[sS]ync|[rR]emove|[nN]otify|Changed|CheckCancelled|[cC]ancel|[cC]ommit|"
    r"rename|[sS]ave)\w*\s*\(")
# Qt names that contain One or Two but have no twin.
NO_SIDE_TWIN = {"removeOne", "takeOne", "OneShot"}
ASSERTS = re.compile(r"\b(LY_ASSERT\w*|Q_ASSERT\w*|static_assert)\s*\(")
DECLARED = re.compile(r"(^|[;{(,])\s*(const |static |constexpr )*(?!return |else |case |new |delete )"
                      r"[\w:<>]+[&*]* $")
DECLARATION = re.compile(r"^(const\s+)?(auto|bool|int|qint64|[A-Z]\w*(<.*>)?)[\s&*]+\w+\s*[=({]")


@dataclass
class Site:
    line: int  # first line touched, 1-based
    column: int  # 1-based, in the first line
    operator: str
    original: str  # the full original line(s)
    mutated: str  # the same line(s) after the change


def mask(text):
    """Returns text with comments and string and character literals blanked out (newlines
    kept), so that offsets in it are offsets in text."""
    out = list(text)
    i, n = 0, len(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                i += 1
                continue
            j = text.find(")" + m.group(1) + '"', i)
            j = n if j < 0 else j + len(m.group(1)) + 2
            blank(i, j)
            i = j
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i, min(j + 1, n))
            i = j + 1
        else:
            i += 1
    return "".join(out)


def _skipped_ranges(masked):
    """Offsets never mutated: preprocessor lines (with continuations) and assertions."""
    ranges, offset, continued = [], 0, False
    for line in masked.splitlines(keepends=True):
        if continued or line.lstrip().startswith("#"):
            ranges.append((offset, offset + len(line)))
            continued = line.rstrip("\n").endswith("\\")
        offset += len(line)
    for m in ASSERTS.finditer(masked):
        end = _closing(masked, m.end() - 1)
        ranges.append((m.start(), end + 1 if end >= 0 else m.end()))
    return ranges


def _closing(masked, open_index):
    """Index of the bracket closing the one at open_index, or -1."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    opening = masked[open_index]
    depth = 0
    for k in range(open_index, len(masked)):
        if masked[k] == opening:
            depth += 1
        elif masked[k] == pairs[opening]:
            depth -= 1
            if depth == 0:
                return k
    return -1


def _statement_start(masked, index):
    """True when the line holding index starts a statement (the code before it ends one, or is
    the head of an if, for or while without braces)."""
    before = masked[:index].rstrip()
    return before == "" or before[-1] in ";{})" or before.endswith(("else", "public:", "private:"))


def _changes(masked):
    """Yields (start, end, replacement, operator) for every change in the masked text; the
    replacement None negates the text between start and end."""
    for m in re.finditer(r"(?<=\S) (<=|>=|<|>) (?=\S)", masked):
        swap = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}[m.group(1)]
        yield m.start(1), m.end(1), swap, "boundary"
    for m in re.finditer(r"(?<=\S) (==|!=) (?=\S)", masked):
        yield m.start(1), m.end(1), "!=" if m.group(1) == "==" else "==", "equality"
    for m in re.finditer(r"(?<=\S) (&&|\|\|) (?=\S)", masked):
        yield m.start(1), m.end(1), "||" if m.group(1) == "&&" else "&&", "logical"
    for m in re.finditer(r"\b(if|while) \(", masked):
        if masked[m.end():].startswith("!("):
            continue
        close = _closing(masked, m.end() - 1)
        if close > 0:
            inner = masked[m.end():close]
            if ";" not in inner and not re.match(r"\s*(auto|const|[A-Z]\w*[\s&*]+\w+ =)", inner):
                yield m.end(), close, None, "negate"  # None: "!(" + the condition + ")"
    for m in re.finditer(r"(?m)^[ \t]*(\S[^\n]*)$", masked):
        stmt_start = m.start(1)
        text = m.group(1)
        if not _statement_start(masked, stmt_start):
            continue
        if text.startswith("throw ") or (DELETED_CALLS.search(text) and not re.match(
                r"(return|if|for|while|switch|case|else|do)\b", text)
                and not DECLARATION.match(text)):
            end = _statement_end(masked, stmt_start)
            if end > 0:
                yield stmt_start, end + 1, ";", "delete"
    for m in re.finditer(r"\breturn (true|false|0|1);", masked):
        swap = {"true": "false", "false": "true", "0": "1", "1": "0"}[m.group(1)]
        yield m.start(1), m.end(1), swap, "return"
    for m in re.finditer(r"\b(\w*[sS]ide\w*) (==|!=) ([01])\b", masked):
        yield m.start(3), m.end(3), "1" if m.group(3) == "0" else "0", "side"
    for m in re.finditer(r"\b\w*(Library|Side)\w*\(([01])\)", masked):
        yield m.start(2), m.end(2), "1" if m.group(2) == "0" else "0", "side"
    for m in re.finditer(r"\b1 - (\w*[sS]ide\w*)\b", masked):
        yield m.start(), m.end(), m.group(1), "side"
    for m in re.finditer(r"\b\w*(?:One|Two)\w*\b", masked):
        ident = m.group()
        line_start = masked.rfind("\n", 0, m.start()) + 1
        if ident in NO_SIDE_TWIN or DECLARED.search(masked[line_start:m.start()]):
            continue  # renaming a declaration only breaks the build
        for part in re.finditer(r"(?:(?<=[a-z0-9_])|^)(One|Two)(?=[A-Z0-9_]|$)", ident):
            swap = "Two" if part.group(1) == "One" else "One"
            yield m.start() + part.start(1), m.start() + part.end(1), swap, "side"
    for m in re.finditer(r"(?<![\w.'])(\d+)(?![\w.'])", masked):
        value = int(m.group(1))
        if value <= 64:
            yield m.start(), m.end(), {0: "1", 1: "0"}.get(value, str(value + 1)), "constant"


def _statement_end(masked, start):
    """Index of the ';' ending the statement that starts at start (brackets balanced), or -1."""
    depth = 0
    for k in range(start, len(masked)):
        c = masked[k]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth < 0:
                return -1
        elif c == ";" and depth == 0:
            return k
    return -1


def find_sites(text):
    """Every site of a file's text, in a stable order (by position, then operator)."""
    masked = mask(text)
    skipped = _skipped_ranges(masked)
    line_starts = [0] + [m.end() for m in re.finditer("\n", text)]
    sites, seen = [], set()
    for start, end, replacement, operator in _changes(masked):
        if any(a < end and start < b for a, b in skipped):
            continue
        first = _line_of(line_starts, start)
        last = _line_of(line_starts, max(start, end - 1))
        block_start = line_starts[first]
        block_end = line_starts[last + 1] - 1 if last + 1 < len(line_starts) else len(text)
        original = text[block_start:block_end]
        if replacement is None:
            replacement = "!(" + text[start:end] + ")"  # the condition, strings and all
        mutated = text[block_start:start] + replacement + text[end:block_end]
        if mutated == original or (first, mutated) in seen:
            continue
        seen.add((first, mutated))
        sites.append(Site(first + 1, start - block_start + 1, operator, original, mutated))
    sites.sort(key=lambda s: (s.line, s.column))
    return sites


def _line_of(line_starts, offset):
    lo, hi = 0, len(line_starts) - 1
    while lo < hi:
        mid = (lo + hi + 1) // 2
        if line_starts[mid] <= offset:
            lo = mid
        else:
            hi = mid - 1
    return lo


def context(text, line, original):
    """The lines just before and just after the block original at line ("" at an end)."""
    lines = text.split("\n")
    end = line - 1 + original.count("\n") + 1
    return (lines[line - 2] if line >= 2 else "", lines[end] if end < len(lines) else "")


def locate(text, original, near_line, around=None):
    """The 1-based line where the block original starts in text, or None when it is no longer
    there. Of several, the one whose neighbouring lines are still those of around (as context
    gave them), then the one nearest near_line: an identical statement added elsewhere since
    is not taken for it."""
    lines = text.split("\n")
    block = original.split("\n")
    hits = [i + 1 for i in range(len(lines) - len(block) + 1)
            if lines[i:i + len(block)] == block]

    def same_neighbours(hit):
        return sum(a == b for a, b in zip(context(text, hit, original), around)) if around else 0

    return min(hits, key=lambda h: (-same_neighbours(h), abs(h - near_line))) if hits else None


def apply(text, line, original, mutated):
    """text with the block original at line replaced by mutated."""
    lines = text.split("\n")
    count = original.count("\n") + 1
    if "\n".join(lines[line - 1:line - 1 + count]) != original:
        raise ValueError(f"line {line} no longer reads as recorded")
    return "\n".join(lines[:line - 1] + mutated.split("\n") + lines[line - 1 + count:])
