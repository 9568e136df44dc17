#!/usr/bin/env python3
"""Mutation run: proves that the Linux tests and scenarios catch faults in the module.

Single-line mutants of the module's Linux sources, picked by a fixed seed, are
applied one at a time to a private copy of the tree (build/mutate/src), built
incrementally with the linux-i686 preset's settings (build/mutate/build) and
put through ctest, which stops at the first failure; a test that hangs past the
per-test timeout counts as a kill. Mutants listed in tools/mutate-equivalent.txt
cannot be observed by any test and are left out of the score,
killed / (built - equivalent). The report goes to build/mutate/report.txt and
to stdout.

    tools/mutate.py [--count N] [--seed S] [--only ID,...] [--timeout SECONDS]
"""
import argparse, hashlib, json, os, random, re, shutil, subprocess, sys, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "mutate")
SRC, BUILD = os.path.join(WORK, "src"), os.path.join(WORK, "build")
EQUIVALENT = os.path.join(ROOT, "tools", "mutate-equivalent.txt")
# The module's Linux sources, as CMakeLists.txt lists them; the Win32 OS layer
# is compiled by the Windows build alone.
MODULE_DIRS = ["Src/core", "Src/chat", "Src/games", "Src/ladder", "Src/help"]
LINUX_ONLY, WINDOWS_ONLY = ["Src/platform/OsPosix.cpp"], ["Src/platform/OsWin32.cpp"]
# Tests left out of a mutant's run: the window needs a display server, and the
# crowd's load test alone takes 10 s of the suite's 17 (the faster network chat
# tests stay in).
EXCLUDED_TESTS = "^(window\\.|NetCrowd\\.TwoHundredClients)"


def _if_negated(line, masked):
    """Yields each `if (cond)` whose condition closes on the line, as `if (!(cond))`."""
    for m in re.finditer(r"\bif \(", masked):
        depth, start = 0, m.end() - 1
        for i in range(start, len(masked)):
            depth += {"(": 1, ")": -1}.get(masked[i], 0)
            if depth == 0:
                yield start + 1, i, "!(" + line[start + 1:i] + ")"
                break


def _regex(pattern, replace):
    """An operator that rewrites every match of pattern (on the masked line) by replace(match)."""
    def apply(line, masked):
        for m in re.finditer(pattern, masked):
            yield m.start(), m.end(), replace(m)
    return apply


def _constant(m):
    """The changed constant: 0 and 1 swap, any other n becomes n + 1."""
    n = int(m.group(0))
    return {0: "1", 1: "0"}.get(n, str(n + 1))


# Bare call statements: a name (possibly qualified or a member) called, nothing else on the line.
_CALL = re.compile(r"^(\s*)(?!(?:return|delete|throw|case|goto|else|do)\b)[A-Za-z_][\w:]*(?:(?:\.|->)\w+)*\(.*\);\s*$")
_ARG = r"[\w.\->\[\]&*]+"

# The mutation operators: name, what it does, and its rewriter (yields start, end, text).
OPERATORS = [
    ("negate-if",   "if (c) -> if (!(c))",     _if_negated),
    ("eq-ne",       "== <-> !=",               _regex(r"(?<=\s)(==|!=)(?=\s)", lambda m: {"==": "!=", "!=": "=="}[m.group(1)])),
    ("bound",       "< <-> <=, > <-> >=",      _regex(r"(?<=\s)(<=|>=|<|>)(?=\s)", lambda m: {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}[m.group(1)])),
    ("plus-minus-1", "+ 1 <-> - 1",            _regex(r"(?<=\s)([+-]) 1\b(?![.\w])", lambda m: {"+": "- 1", "-": "+ 1"}[m.group(1)])),
    ("drop-call",   "bare call statement removed", lambda line, masked: [(len(_CALL.match(masked).group(1)), len(line), "{}")] if _CALL.match(masked) else []),
    ("swap-args",   "f(a, b) -> f(b, a)",      _regex(r"\b[A-Za-z_]\w*\((" + _ARG + r"), (" + _ARG + r")\)", lambda m: None)),
    ("constant",    "n -> n + 1, 0 <-> 1",     _regex(r"(?<![\w.'])\d+(?![\w.'])", _constant)),
]


def masked_lines(text):
    """The file's lines with string and character literals and comments blanked (same columns),
    and whether each line is to be skipped whole (preprocessor lines, static_asserts)."""
    out, in_block = [], False
    for line in text.split("\n"):
        chars, i, quote = list(line), 0, None
        while i < len(chars):
            c, nxt = chars[i], line[i + 1] if i + 1 < len(line) else ""
            if in_block:
                if c == "*" and nxt == "/":
                    chars[i] = chars[i + 1] = " "; in_block = False; i += 1
                else:
                    chars[i] = " "
            elif quote:
                if c == "\\":
                    chars[i] = " "; i += 1
                    if i < len(chars): chars[i] = " "
                elif c == quote:
                    quote = None
                else:
                    chars[i] = " "
            elif c in "\"'":
                quote = c
            elif c == "/" and nxt == "/":
                chars[i:] = " " * (len(chars) - i); break
            elif c == "/" and nxt == "*":
                chars[i] = chars[i + 1] = " "; in_block = True; i += 1
            i += 1
        masked = "".join(chars)
        skip = masked.lstrip().startswith("#") or "static_assert" in masked or not masked.strip()
        out.append((masked, skip))
    return out


def candidates(rel, text):
    """Every mutant of one file: dicts with file, line (1-based), operator, original and mutated line, id."""
    lines, found, repeats = text.split("\n"), [], {}
    for number, (masked, skip) in enumerate(masked_lines(text), 1):
        if skip:
            continue
        line = lines[number - 1]
        for name, _, rewrite in OPERATORS:
            for start, end, new in rewrite(line, masked):
                if name == "swap-args":
                    m = re.match(r"(\w+)\((" + _ARG + r"), (" + _ARG + r")\)", line[start:end])
                    if m.group(2) == m.group(3): continue
                    new = "%s(%s, %s)" % (m.group(1), m.group(3), m.group(2))
                mutated = line[:start] + new + line[end:]
                sig = "%s|%s|%s|%s" % (rel, name, line.strip(), mutated.strip())
                repeats[sig] = repeats.get(sig, -1) + 1  # the same change on a repeated line
                sig += "|#%d" % repeats[sig] if repeats[sig] else ""
                found.append({"file": rel, "line": number, "op": name, "orig": line.strip(),
                              "mutated": mutated.strip(), "new": mutated,
                              "id": hashlib.sha1(sig.encode()).hexdigest()[:10]})
    return found


def module_sources():
    """The module's .cpp files that the Linux build compiles, relative to the tree."""
    files = []
    for d in MODULE_DIRS:
        files += sorted(os.path.join(d, f) for f in os.listdir(os.path.join(ROOT, d)) if f.endswith(".cpp"))
    return files + LINUX_ONLY


def read_candidates(files):
    """Every file's candidates, in file order."""
    per_file = {}
    for rel in files:
        with open(os.path.join(ROOT, rel)) as f:
            per_file[rel] = candidates(rel, f.read())
    return per_file


def draw(pool, rng):
    """Takes one mutant out of pool at random: an operator first (each equally likely, so the
    many constants of the control tables do not crowd out the rest), then one of its mutants."""
    ops = sorted({m["op"] for m in pool})
    op = ops[rng.randrange(len(ops))]
    mine = [i for i, m in enumerate(pool) if m["op"] == op]
    return pool.pop(mine[rng.randrange(len(mine))])


def run(cmd, cwd, log, timeout=None):
    """Runs cmd at low priority, its output appended to log; returns the exit code (124: timed out)."""
    with open(log, "a") as out:
        try:
            return subprocess.run(["nice"] + cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return 124


def prepare(log):
    """Copies the tracked files of the work tree into SRC (keeping unchanged files' times so the
    build stays incremental) and configures BUILD with the linux-i686 preset's cache variables."""
    tracked = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True, check=True).stdout
    for rel in filter(None, tracked.decode().split("\0")):
        src, dst = os.path.join(ROOT, rel), os.path.join(SRC, rel)
        if not os.path.isfile(src): continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        if not os.path.exists(dst) or open(src, "rb").read() != open(dst, "rb").read():
            shutil.copy2(src, dst)
            os.utime(dst)
    with open(os.path.join(ROOT, "CMakePresets.json")) as f:
        preset = next(p for p in json.load(f)["configurePresets"] if p["name"] == "linux-i686")
    defs = ["-D%s=%s" % kv for kv in preset["cacheVariables"].items()]
    if shutil.which("ccache"):
        defs += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    if run(["cmake", "-S", SRC, "-B", BUILD, "-G", preset["generator"]] + defs, ROOT, log) != 0:
        sys.exit("mutate: the copy does not configure, see " + log)


def build(log, jobs):
    """Builds BUILD incrementally; 1 when it built."""
    return run(["cmake", "--build", BUILD, "-j%d" % jobs], ROOT, log) == 0


def test(log, jobs, timeout):
    """Runs the suite, stopping at the first failure: (passed, first failing test or "")."""
    failed_log = os.path.join(BUILD, "Testing", "Temporary", "LastTestsFailed.log")
    if os.path.exists(failed_log): os.remove(failed_log)
    rc = run(["ctest", "-j%d" % jobs, "--stop-on-failure", "--timeout", str(timeout), "-E", EXCLUDED_TESTS],
             BUILD, log, timeout=timeout * 20)
    if rc == 0: return True, ""
    names = [l.strip().split(":", 1)[-1] for l in open(failed_log)] if os.path.exists(failed_log) else []
    return False, names[0] if names else "(ctest exit %d)" % rc


def try_mutant(m, log, jobs, timeout):
    """Applies one mutant to SRC, builds and tests it, then restores the file; sets m["result"]."""
    path = os.path.join(SRC, m["file"])
    with open(path) as f: original = f.read()
    lines = original.split("\n")
    lines[m["line"] - 1] = m["new"]
    with open(path, "w") as f: f.write("\n".join(lines))
    with open(log, "a") as out: out.write("\n==== %s %s:%d %s\n" % (m["id"], m["file"], m["line"], m["op"]))
    try:
        if not build(log, jobs):
            m["result"] = "did not build"
        else:
            passed, killer = test(log, jobs, timeout)
            m["result"] = "survived" if passed else "killed by " + killer
    finally:
        with open(path, "w") as f: f.write(original)  # a fresh time, so the next build recompiles it


def load_equivalent():
    """The ids of tools/mutate-equivalent.txt (first word of each line that is not a comment)."""
    if not os.path.exists(EQUIVALENT): return set()
    return {l.split()[0] for l in open(EQUIVALENT) if l.strip() and not l.startswith("#")}


def report(tried, files, count, seed, seconds, suite_seconds):
    """The report's text: one line per mutant tried, then the score."""
    equivalent = load_equivalent()
    built = [m for m in tried if m["result"] != "did not build"]
    killed = [m for m in built if m["result"].startswith("killed")]
    eq = [m for m in built if m["id"] in equivalent and not m["result"].startswith("killed")]
    out = ["Mutation run: seed %s, %d mutants requested, %d files" % (seed, count, len(files)),
           "Excluded: %s (built on Windows only); tests matching %s" % (", ".join(WINDOWS_ONLY), EXCLUDED_TESTS),
           "Unmutated suite: %.1f s" % suite_seconds, ""]
    for m in tried:
        result = m["result"] + (" (equivalent)" if m in eq else "")
        out.append("%s %s:%d %s: %s  ->  %s  [%s]" % (m["id"], m["file"], m["line"], m["op"], m["orig"], m["mutated"], result))
    denominator = len(built) - len(eq)
    score = 100.0 * len(killed) / denominator if denominator else 0.0
    per_file = {f: sum(1 for m in built if m["file"] == f) for f in files}
    out += ["", "Built mutants per file: " + ", ".join("%s %d" % (os.path.basename(f), n) for f, n in per_file.items()),
            "Tried %d, did not build %d, built %d, equivalent %d, killed %d, survived %d" %
            (len(tried), len(tried) - len(built), len(built), len(eq), len(killed), denominator - len(killed)),
            "Score: %d / %d = %.1f%% (%.0f s)" % (len(killed), denominator, score, seconds)]
    return "\n".join(out) + "\n"


def main():
    """Prepares the copy, times the unmutated suite, runs the mutants and writes the report."""
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--count", type=int, default=int(os.environ.get("MUTATE_COUNT", 100)))
    ap.add_argument("--seed", default=os.environ.get("MUTATE_SEED", "20261208"))
    ap.add_argument("--only", default="", help="comma-separated mutant ids: run just these")
    ap.add_argument("--timeout", type=int, default=60, help="seconds per test")
    ap.add_argument("--jobs", type=int, default=int(os.environ.get("JOBS", 2)))
    a = ap.parse_args()
    os.makedirs(WORK, exist_ok=True)
    log, started = os.path.join(WORK, "log.txt"), time.time()
    open(log, "w").close()
    prepare(log)
    if not build(log, a.jobs): sys.exit("mutate: the unmutated copy does not build, see " + log)
    t = time.time()
    passed, failing = test(log, a.jobs, a.timeout)
    suite_seconds = time.time() - t
    if not passed: sys.exit("mutate: the unmutated suite fails (%s), see %s" % (failing, log))
    print("unmutated suite: %.1f s" % suite_seconds, flush=True)
    files = module_sources()
    per_file, rng = read_candidates(files), random.Random(a.seed)
    only = set(filter(None, a.only.split(",")))
    tried = []

    def attempt(m):
        try_mutant(m, log, a.jobs, a.timeout)
        tried.append(m)
        print("%3d %s %s:%d %s [%s]" % (len(tried), m["id"], m["file"], m["line"], m["op"], m["result"]), flush=True)
        return m["result"] != "did not build"

    if only:
        for m in [m for ms in per_file.values() for m in ms if m["id"] in only]: attempt(m)
    else:
        for rel in files:  # first one mutant that builds in each file, then any file
            while per_file[rel] and not attempt(draw(per_file[rel], rng)): pass
        pool = [m for rel in files for m in per_file[rel]]
        built = sum(m["result"] != "did not build" for m in tried)
        while pool and built < a.count:
            built += attempt(draw(pool, rng))
    text = report(tried, files, a.count, a.seed, time.time() - started, suite_seconds)
    with open(os.path.join(WORK, "report.txt"), "w") as f: f.write(text)
    print(text, end="")


if __name__ == "__main__":
    main()
