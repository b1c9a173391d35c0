#!/usr/bin/env python3
"""Generated single-token faults, sampled over every folder, run against the suite.

Every C, C++ and JavaScript file of src/, cli/, emulator/ and web/ is cut into
tokens by Pygments (Debian's python3-pygments), and each token a slip could
change gives its faults by the classic operator table below: a comparison
turned, a logical operator swapped, an arithmetic operator swapped, a
negation dropped, an increment turned, a number moved by one, a boolean
flipped, a call statement deleted. Nobody chooses the faults: a random
sample is drawn from all of them with a seed that is printed, each folder
getting its share and at least --floor of its own.

For each fault: plant it, rebuild, and run the tests that run its line, as
a build with gcov's counters found them once for these sources
(scripts/mutation_coverage.py), and for the tool's faults the page's test
too. Where gcov saw no test run the line, or says nothing of it (or with
--no-coverage): rebuild the
test program of its folder and run it; when that program passes, rebuild
everything and run the other programs, the page's browser test among them
for the tool's faults. The page's own files reach only the tool's server:
their faults run the browser test and test_cli, and nothing else. The first
failing program kills the fault; a program's tests run as one gtest shard a
job, side by side. A fault that does not compile is drawn again, and so
is one that leaves every object compiled from its file byte for byte as it
was (scripts/mutation_objects.py): the compiler has shown it equivalent.
Faults listed in tests/equivalent-mutants.txt (no user could see them) are
run but not counted. Prints the kill rate per folder and every survivor
with its diff. The source is always put back.
"""

import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from collections import defaultdict

from pygments.lexers import CppLexer, JavascriptLexer
from mutation_coverage import BROWSER, Collector, CoverageMap, tree_state
from mutation_objects import CompiledObjects
from pygments.token import Comment, Keyword, Name, Number, Operator, String

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ("src", "cli", "emulator", "web")
EQUIVALENTS = os.path.join(ROOT, "tests", "equivalent-mutants.txt")
# The page's test in Chromium is run as one more test program, BROWSER.
BROWSER_COMMAND = ["node", "tests/browser/serve.test.js"]

# Binary operators, mutated only where written with a space on each side:
# the code's formatting keeps templates, pointers and references unspaced.
BINARY = {
    "<": ["<=", ">"], "<=": ["<", ">"], ">": [">=", "<"], ">=": [">", "<"],
    "==": ["!="], "!=": ["=="], "===": ["!=="], "!==": ["==="],
    "&&": ["||"], "||": ["&&"],
    "+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["*"],
    "+=": ["-="], "-=": ["+="], "*=": ["/="], "/=": ["*="],
    "&": ["|"], "|": ["&"],
}
# The longest first, so that "<=" is one token and not "<" and "=".
CPP_OPERATORS = sorted(set(BINARY) | {"->", "::", "++", "--", "!", "<<", ">>", "<<=", ">>=", "&=", "|=", "^=", "<=>"},
                       key=len, reverse=True)
CALL_STATEMENT = re.compile(r"^(\s*)((?:[A-Za-z_]\w*(?:::|\.|->))*[A-Za-z_]\w*\(.*\);)\s*$")
NOT_CALLS = {"return", "if", "while", "for", "switch", "throw", "sizeof", "static_assert", "case"}
WINDOWS_CONDITION = re.compile(r"_WIN32|WIN32|_MSC_VER|__MINGW")


def windows_lines(lines):
    """The numbers (from 1) of the lines only a Windows build compiles."""
    stack, excluded = [], set()
    for number, line in enumerate(lines, 1):
        directive = line.strip()
        if directive.startswith("#if"):
            windows = bool(WINDOWS_CONDITION.search(directive))
            negated = windows and ("#ifndef" in directive or "!defined" in directive or "!(" in directive)
            stack.append(("not" if negated else "only") if windows else "")
        elif directive.startswith(("#else", "#elif")) and stack and stack[-1]:
            stack[-1] = "only" if stack[-1] == "not" else "not"
        elif directive.startswith("#endif") and stack:
            stack.pop()
        elif any(kind == "only" for kind in stack):
            excluded.add(number)
    return excluded


def operator_runs(tokens):
    """C++ operator characters joined into operators by the longest match.
    Pygments gives them one character at a time."""
    merged, run = [], None
    for offset, kind, text in tokens:
        if kind in Operator and run is not None and run[0] + len(run[2]) == offset:
            run[2] += text
            continue
        if run is not None:
            merged.extend(split_run(*run))
            run = None
        if kind in Operator:
            run = [offset, kind, text]
        else:
            merged.append((offset, kind, text))
    if run is not None:
        merged.extend(split_run(*run))
    return merged


def split_run(offset, kind, text):
    pieces = []
    while text:
        operator = next((o for o in CPP_OPERATORS if text.startswith(o)), text[0])
        pieces.append((offset, kind, operator))
        offset += len(operator)
        text = text[len(operator):]
    return pieces


def faults_of(path, source):
    """(line, column, original, replacement, operator) for each fault of a file."""
    javascript = path.endswith(".js")
    lexer = JavascriptLexer() if javascript else CppLexer()
    tokens = [(o, k, t) for o, k, t in lexer.get_tokens_unprocessed(source)]
    if not javascript:
        tokens = operator_runs(tokens)
    lines = source.split("\n")
    starts = [0]
    for line in lines:
        starts.append(starts[-1] + len(line) + 1)
    skipped = windows_lines(lines)

    def place(offset):
        lo, hi = 0, len(lines)
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if starts[mid] <= offset:
                lo = mid
            else:
                hi = mid - 1
        return lo + 1, offset - starts[lo]

    # A static_assert holds at build time: weakened, it changes nothing that
    # runs; broken, it does not compile.
    depth = None
    for offset, kind, text in tokens:
        if text == "static_assert":
            depth = 0
        elif depth is not None:
            skipped.add(place(offset)[0])
            depth += {"(": 1, ")": -1}.get(text, 0)
            if depth == 0 and text == ")":
                depth = None

    found = []
    for i, (offset, kind, text) in enumerate(tokens):
        if kind in Comment or kind in String:
            continue
        number, column = place(offset)
        line = lines[number - 1]
        if number in skipped or line.lstrip().startswith("#"):
            continue
        before = line[column - 1] if column > 0 else " "
        after = line[column + len(text)] if column + len(text) < len(line) else " "
        # A "+" on a line with a string literal is most often a concatenation.
        concatenation = text == "+" and ('"' in line or "'" in line)
        if kind in Operator and text in BINARY and before == " " and after == " " and not concatenation:
            for replacement in BINARY[text]:
                found.append((number, column, text, replacement, "operator"))
        elif kind in Operator and text == "!" and after not in " =":
            found.append((number, column, text, "", "negation"))
        elif kind in Operator and text in ("++", "--"):
            found.append((number, column, text, "--" if text == "++" else "++", "increment"))
        elif kind in Number and re.fullmatch(r"\d+[uUlL]*", text) and not (before.isalnum() or before == "_"):
            digits = text.rstrip("uUlL")
            value = int(digits)
            changed = str(value + 1 if value != 1 else 0) + text[len(digits):]
            found.append((number, column, text, changed, "number"))
        elif (kind in Keyword or kind in Name.Builtin) and text in ("true", "false"):
            found.append((number, column, text, "false" if text == "true" else "true", "boolean"))
    # A call is a statement inside a body; outside every body it is a
    # declaration, or a macro making one (a build-time check).
    bodies, scopes, inside, heading = set(), [], 0, set()
    for offset, kind, text in tokens:
        if text == "{":
            scope = "namespace" if heading & {"namespace", "extern"} else "body"
            scopes.append(scope)
            inside += scope == "body"
        elif text == "}" and scopes:
            inside -= scopes.pop() == "body"
        elif inside:
            bodies.add(place(offset)[0])
        # The words since the last statement or brace: what a brace opens.
        heading = set() if text in ("{", "}", ";") else heading | {text}
    for number, line in enumerate(lines, 1):
        match = CALL_STATEMENT.match(line)
        if (match and number in bodies and number not in skipped and
                match.group(2).split("(")[0].split("::")[-1] not in NOT_CALLS):
            if match.group(2).count("(") == match.group(2).count(")"):
                found.append((number, len(match.group(1)), match.group(2), ";", "statement"))
    return found


def compiled_files(build, browser):
    """The C and C++ files the build compiles, and every header and script
    beside them; a file only Windows compiles is left out, and so is the
    page when its browser test is."""
    with open(os.path.join(build, "compile_commands.json")) as commands:
        compiled = {os.path.relpath(entry["file"], ROOT) for entry in json.load(commands)}
    chosen = []
    for folder in FOLDERS if browser else [f for f in FOLDERS if f != "web"]:
        for directory, _, names in os.walk(os.path.join(ROOT, folder)):
            if "node_modules" in directory:
                continue
            for name in sorted(names):
                path = os.path.relpath(os.path.join(directory, name), ROOT)
                if name.endswith((".h", ".js")) or (name.endswith((".c", ".cpp")) and path in compiled):
                    chosen.append(path)
    return sorted(chosen)


def fault_id(path, lines, fault):
    """A name that outlives edits elsewhere: the file, the line's text, the
    change and which of the line's equal tokens it is."""
    number, column, original, replacement, _ = fault
    line = lines[number - 1]
    nth = line[:column].count(original) if original.strip() else 0
    return f"{path}|{line.strip()}|{original} -> {replacement or '(nothing)'}|{nth}"


def read_equivalents():
    if not os.path.exists(EQUIVALENTS):
        return {}
    reasons = {}
    with open(EQUIVALENTS, encoding="utf-8") as listed:
        for row in listed:
            if row.strip() and not row.startswith("#"):
                key, _, reason = row.rstrip("\n").rpartition("|")
                reasons[key] = reason.strip()
    return reasons


def replace_whole(path, text):
    """The file holds text, written beside it and swapped in whole: a run
    stopped half way never leaves a source cut short."""
    target = os.path.join(ROOT, path)
    beside = target + ".mutation-new"
    with open(beside, "w", encoding="utf-8", newline="") as source:
        source.write(text)
    os.replace(beside, target)


class Planted:
    """The one file holding a fault now; put back whatever happens."""

    def __init__(self):
        self.path, self.text = None, None

    def plant(self, path, lines, fault):
        number, column, original, replacement, _ = fault
        with open(os.path.join(ROOT, path), encoding="utf-8", newline="") as source:
            self.text = source.read()
        self.path = path
        changed = list(lines)
        line = changed[number - 1]
        assert line[column:column + len(original)] == original, (path, number, original)
        changed[number - 1] = line[:column] + replacement + line[column + len(original):]
        replace_whole(path, "\n".join(changed))
        return line, changed[number - 1]

    def restore(self):
        if self.path is not None:
            replace_whole(self.path, self.text)
            self.path = None


def browser_ready():
    return (all(shutil.which(c) for c in ("node", "chromium")) and
            os.path.isdir(os.path.join(ROOT, "tests", "browser", "node_modules", "playwright-core")))


def default_signals():
    """The tests send signals and expect them to act: a run started in the
    background (which ignores SIGINT and SIGQUIT) or by nohup must not
    pass its ignoring on."""
    for number in (signal.SIGINT, signal.SIGQUIT, signal.SIGHUP):
        signal.signal(number, signal.SIG_DFL)


def run(command, timeout=None, env=None, cwd=ROOT, log=None):
    """Whether the command succeeded; its output goes to the file log names."""
    with open(log or os.devnull, "w") as output:
        try:
            return subprocess.run(command, cwd=cwd, env=env, stdout=output, stderr=subprocess.STDOUT,
                                  timeout=timeout, preexec_fn=default_signals).returncode == 0
        except subprocess.TimeoutExpired:
            return False  # a hang is a failure a user would notice


class Suite:
    def __init__(self, build, jobs, timeout, browser):
        self.build, self.jobs, self.timeout = build, jobs, timeout
        # The browser test's screenshot goes into the build, not the checkout.
        self.env = dict(os.environ, VEZUVED_BUILD_DIR=build, SCREENSHOT=os.path.join(build, "serve.png"))
        tests = os.path.join(build, "tests")
        self.programs = sorted(n for n in os.listdir(tests) if n.startswith("test_")
                               and os.access(os.path.join(tests, n), os.X_OK)) + ([BROWSER] if browser else [])
        self.seconds = {}

    def build_targets(self, *targets):
        command = ["cmake", "--build", self.build, "-j", str(self.jobs)]
        for target in targets:
            command += ["--target", target]
        return run(command)

    def passes(self, program, log=None, only=None):
        """Whether the program's tests pass: all of them, or those named in only."""
        started = time.monotonic()
        if program == BROWSER:
            ok = run(BROWSER_COMMAND, self.timeout, self.env, ROOT, log)
        else:
            ok = self.shards_pass(program, log, only)
        self.seconds.setdefault(program, time.monotonic() - started)
        return ok

    def shards_pass(self, program, log, only):
        """A test program's tests split into one gtest shard a job, run side
        by side; the first shard that fails stops the others."""
        command, cwd = [os.path.join(self.build, "tests", program)], os.path.join(self.build, "tests")
        shards, deadline = max(1, self.jobs), time.monotonic() + self.timeout
        chosen = {"GTEST_FILTER": ":".join(only)} if only else {}
        with open(log or os.devnull, "w") as output:
            # Each in a session of its own, so that stopping it stops the
            # tool and the servers it started too.
            running = [subprocess.Popen(command, cwd=cwd, stdout=output, stderr=subprocess.STDOUT,
                                        env=dict(self.env, GTEST_TOTAL_SHARDS=str(shards), GTEST_SHARD_INDEX=str(i),
                                                 **chosen),
                                        preexec_fn=default_signals, start_new_session=True)
                       for i in range(shards)]
            ok = True
            while ok and any(shard.poll() is None for shard in running):
                ok = all(shard.returncode in (None, 0) for shard in running) and time.monotonic() < deadline
                time.sleep(0.05)
            ok = ok and all(shard.returncode == 0 for shard in running)
            for shard in running:
                if shard.poll() is None:
                    os.killpg(shard.pid, signal.SIGKILL)
                    shard.wait()
        return ok

    def first_program(self, path):
        """The test program of the fault's folder, and what it needs built."""
        parts = path.split("/")
        if parts[0] == "web":
            return BROWSER, ["vezuved_cli"]
        # The tool (with the page's server) and the emulators are what
        # test_cli and test_device run.
        if parts[0] == "cli":
            return "test_cli", ["vezuved_cli", "test_cli"]
        if parts[0] == "emulator":
            return "test_device", ["test_device"]
        mirrored = "test_" + parts[1] if len(parts) > 2 else ""
        return (mirrored, [mirrored]) if mirrored in self.programs else ("", [])


def configure(build, flags, link_flags=""):
    """A build folder with these compiler flags; Ninja (for a new folder)
    and lld, where installed, make each fault's rebuild several times quicker."""
    generator = ["-G", "Ninja"] if shutil.which("ninja") and not os.path.exists(
        os.path.join(build, "CMakeCache.txt")) else []
    link_flags += " -fuse-ld=lld" if shutil.which("ld.lld") else ""
    linker = [f"-DCMAKE_{kind}_LINKER_FLAGS={link_flags.strip()}" for kind in ("EXE", "SHARED", "MODULE")]
    return run(["cmake", "-S", ROOT, "-B", build, *generator, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=" + flags, "-DCMAKE_C_FLAGS_RELWITHDEBINFO=" + flags,
                "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON", *linker])


def coverage_of(build, suite, options):
    """Which tests run which lines: kept from an earlier run on the same
    sources, or found now in a build with gcov's counters."""
    covered = build + "-coverage"
    kept, state = os.path.join(covered, "mutation-coverage.json"), tree_state(ROOT)
    found = CoverageMap.load(kept, state)
    if found:
        print("mutation: which tests run which lines, as found before for these sources", flush=True)
        return found
    print(f"mutation: finding which tests run which lines ({covered})", flush=True)
    if not configure(covered, "-O0 -g0 -DNDEBUG --coverage", "--coverage") or not run(
            ["cmake", "--build", covered, "-j", str(options.jobs)]):
        sys.exit("mutation: the build with gcov's counters fails; --no-coverage runs without it")
    env = dict(suite.env, VEZUVED_BUILD_DIR=covered, SCREENSHOT=os.path.join(covered, "serve.png"))
    found = Collector(ROOT, FOLDERS, covered, env, options.timeout, run, options.jobs).collect(
        suite.programs, BROWSER_COMMAND, lambda said: print(said, flush=True))
    found.save(kept, state)
    return found


def tests_kill(suite, tests):
    """The first program whose tests, of those named ("program:test"),
    fail; None when all pass (or none is named)."""
    chosen = defaultdict(list)
    for test in tests:
        program, _, name = test.partition(":")
        chosen[program].append(name)
    # The page's test last: the tool's faults get it in case its server's counters were lost.
    for program in sorted(chosen, key=lambda p: (p == BROWSER, suite.seconds.get(p, 0))):
        if not suite.passes(program, only=None if program == BROWSER else chosen[program]):
            return program
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seed", type=int, help="the sample's seed (default: a new one)")
    parser.add_argument("--count", type=int, default=200, help="faults that compile to run (200)")
    parser.add_argument("--floor", type=int, default=20, help="at least this many of each folder (20)")
    parser.add_argument("--build", default=os.path.join(ROOT, "build-mutation"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=int, default=120, help="seconds a test program may take (120)")
    parser.add_argument("--list", action="store_true", help="only count the faults of each folder")
    parser.add_argument("--no-browser", dest="browser", action="store_false",
                        help="leave out the page's browser test, and with it the page's faults")
    parser.add_argument("--no-coverage", dest="coverage", action="store_false",
                        help="try every fault against whole test programs, not the tests that run its line")
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    if options.browser and not browser_ready():
        sys.exit("mutation: the page's browser test needs node, chromium and tests/browser's packages "
                 "(scripts/browser-test.sh installs them); --no-browser leaves the page out")

    # Light optimisation and no debug information: each fault relinks every
    # test program, and that is most of its time. Ninja (for a new build
    # folder) and lld, where installed, make that several times quicker.
    if not configure(build, "-O1 -g0 -DNDEBUG"):
        sys.exit("mutation: cmake cannot configure " + build)
    faults = defaultdict(list)  # folder: (path, lines, fault)
    for path in compiled_files(build, options.browser):
        with open(os.path.join(ROOT, path), encoding="utf-8", newline="") as source:
            text = source.read()
        lines = text.split("\n")
        faults[path.split("/")[0]].extend((path, lines, f) for f in faults_of(path, text))
    total = sum(len(f) for f in faults.values())
    print("mutation: " + ", ".join(f"{folder} {len(faults[folder])}" for folder in FOLDERS) +
          f" faults ({total} in all)")
    if options.list:
        return

    seed = options.seed if options.seed is not None else random.SystemRandom().randrange(1 << 31)
    print(f"mutation: seed {seed} (run again with --seed {seed})", flush=True)
    generator = random.Random(seed)
    quotas = {folder: max(options.floor, round(options.count * len(faults[folder]) / total))
              for folder in FOLDERS if faults[folder]}
    for pool in faults.values():
        generator.shuffle(pool)
    equivalents = read_equivalents()

    print("mutation: building the unchanged sources", flush=True)
    if not run(["cmake", "--build", build, "-j", str(options.jobs)]):
        sys.exit("mutation: the unchanged sources do not build")
    suite = Suite(build, options.jobs, options.timeout, options.browser)
    for program in suite.programs:
        log = os.path.join(build, f"mutation-{program}.log")
        if not suite.passes(program, log):
            sys.exit(f"mutation: {program} fails without any fault ({log}); fix that first")
    # Quick programs first: most faults die in the first that fails.
    rest_order = sorted(suite.programs, key=lambda p: suite.seconds[p])
    objects = CompiledObjects(build, ROOT)
    coverage = coverage_of(build, suite, options) if options.coverage and shutil.which("gcov") else None

    planted = Planted()
    tally = {folder: [0, 0, 0] for folder in quotas}  # killed, counted, equivalent
    survivors, not_compiling, same_objects = [], [0], [0]

    def report(ended):
        print(f"\nmutation: seed {seed}{ended}; {not_compiling[0]} drawn faults did not compile "
              f"and {same_objects[0]} left every object as it was; both were drawn again")
        killed_all = counted_all = 0
        for folder, (killed, counted, equivalent) in tally.items():
            killed_all, counted_all = killed_all + killed, counted_all + counted
            rate = 100 * killed / counted if counted else 100
            print(f"  {folder:9} {killed:4} of {counted:4} killed ({rate:5.1f} %), {equivalent} equivalent")
        rate = 100 * killed_all / counted_all if counted_all else 100
        print(f"  {'all':9} {killed_all:4} of {counted_all:4} killed ({rate:5.1f} %)")
        for name, path, number, before, after in survivors:
            print(f"\nsurvivor {name}\n--- {path}:{number}\n-{before}\n+{after}", flush=True)

    def stop(*_):
        planted.restore()
        report(", stopped part way")
        sys.exit("mutation: interrupted")

    signal.signal(signal.SIGINT, stop)
    signal.signal(signal.SIGTERM, stop)
    # The folders take turns, each kept at the same share of its quota, so a
    # run stopped part way has measured every folder.
    pools = {folder: iter(faults[folder]) for folder in quotas}
    ran = {folder: 0 for folder in quotas}
    try:
        while True:
            waiting = [folder for folder in quotas if ran[folder] < quotas[folder]]
            if not waiting:
                break
            folder = min(waiting, key=lambda f: ran[f] / quotas[f])
            drawn = next(pools[folder], None)
            if drawn is None:  # every fault of the folder drawn
                quotas[folder] = ran[folder]
                continue
            path, lines, fault = drawn
            name = fault_id(path, lines, fault)
            before, after = planted.plant(path, lines, fault)
            same = objects.unchanged(path)
            if same is None or same:
                planted.restore()
                (not_compiling if same is None else same_objects)[0] += 1
                if same:
                    print(f"  same objects        {path}:{fault[0]} {fault[4]}", flush=True)
                continue
            first, targets = suite.first_program(path)
            # A line gcov saw no test run may still run in a process that
            # ends without writing its counters (the page's server cut
            # short): such a fault gets the whole suite, as does the page's.
            running = coverage.tests_of(path, fault[0]) if coverage and not path.startswith("web/") else None
            if running is not None and path.startswith("cli/") and BROWSER in suite.programs:
                running = running + [BROWSER] if BROWSER not in running else running
            killed = None
            if running:
                killed = "compile" if not suite.build_targets() else tests_kill(suite, running)
            elif first and not suite.build_targets(*targets):
                killed = "compile"
            elif first and not suite.passes(first):
                killed = first
            elif not suite.build_targets():
                killed = "compile"
            else:
                # The page's files are built into the tool's server alone.
                for program in ["test_cli"] if path.startswith("web/") else rest_order:
                    if program != first and not suite.passes(program):
                        killed = program
                        break
            planted.restore()
            if killed == "compile":
                not_compiling[0] += 1
                continue
            ran[folder] += 1
            equivalent = name in equivalents
            tally[folder][2 if equivalent else 1] += 1
            if killed:
                tally[folder][0] += 0 if equivalent else 1
                print(f"  killed by {killed:12} {path}:{fault[0]} {fault[4]}", flush=True)
            elif equivalent:
                print(f"  equivalent          {path}:{fault[0]} ({equivalents[name]})", flush=True)
            else:
                survivors.append((name, path, fault[0], before, after))
                print(f"  SURVIVED            {path}:{fault[0]} {fault[4]}\n      -{before.strip()}"
                      f"\n      +{after.strip()}", flush=True)
    finally:
        planted.restore()
        suite.build_targets()  # the folder holds the true build again
    report("")

if __name__ == "__main__":
    main()
