"""Every message the programs can show is in the help page's message table: the text of each string
literal in a sink.Show(...) call (and of a message constant it passes) of core/, gui/, cli/ and plot/,
cut at its %-fields and line breaks, must stand in the table, which a reader searches by the words they
saw."""
import glob, html, re, sys

src = sys.argv[1]
page = open(src + "/docs/LattrixHelp.html", encoding="utf-8").read()
table = page[page.find('<h2 id="messages">'):]
table = " ".join(html.unescape(re.sub(r"<[^>]+>", "", table)).split())


TOKEN = re.compile(r'"(?:[^"\\]|\\.)*"|[()]|\bk[A-Z]\w*')


def show_calls(text):
    """The string literals of every Show( call, and those of the message constants (k...) it uses."""
    constants = dict(re.findall(r'const char\* const (k\w+) =\s*((?:"(?:[^"\\]|\\.)*"\s*)+);', text))
    for match in re.finditer(r"\bShow\(", text):
        depth, literals = 1, []
        for token in TOKEN.finditer(text, match.end()):
            depth += {"(": 1, ")": -1}.get(token.group(), 0)
            if depth == 0:
                break
            if token.group().startswith('"'):
                literals.append(token.group()[1:-1])
            elif token.group() in constants:
                literals += re.findall(r'"((?:[^"\\]|\\.)*)"', constants[token.group()])
        yield literals


missing = set()
for path in sorted(sum((glob.glob(src + "/%s/**/*.%s" % (d, e), recursive=True)
                        for d in ("core", "gui", "cli", "plot") for e in ("cpp", "h")), [])):
    for call in show_calls(open(path, encoding="utf-8").read()):
        for literal in call:
            for piece in re.split(r"%[-+ #0-9.]*(?:zu|l?[dfgsx])|\\n|\\\"", literal):
                piece = " ".join(piece.split())
                if len(re.findall(r"[A-Za-z]", piece)) >= 4 and piece not in table:
                    missing.add("%s: %s" % (path[len(src) + 1:], piece))
print("\n".join(sorted(missing)) or "every message is listed")
sys.exit(1 if missing else 0)
