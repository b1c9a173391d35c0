"""Which tests run which lines, for scripts/mutation.py.

A fault on a line some tests run can be found only by them. So the sources
are built once more with gcov's counters (a build folder of their own),
every test suite of every program is run alone, and gcov says which lines it
ran. A fault is then tried against the tests that run its line, not the
whole suite. A line gcov says nothing of (a declaration, a constant, the
second line of a statement), or saw no test run (a process that ended
without writing its counters may have run it), gets the whole suite, as does
a file no gcov counter sees (the page's JavaScript).

The map is kept in the coverage build folder with the commit and the
changes it was made from, and made again when they differ.
"""

import glob
import hashlib
import json
import os
import queue
import shutil
import subprocess
import threading
from collections import defaultdict
from concurrent.futures import ThreadPoolExecutor

BROWSER = "browser"


# What the build and the tests are made of; a change elsewhere (a script,
# the documents) keeps the map.
MAP_FORM = b"2"  # raised when the map is gathered otherwise
BUILT = ["CMakeLists.txt", "cmake", "include", "src", "cli", "emulator", "web", "gdal", "tests"]


def tree_state(root):
    """The committed and uncommitted state of what is built and tested."""
    committed = subprocess.run(["git", "rev-parse", *[f"HEAD:{part}" for part in BUILT]], cwd=root,
                               capture_output=True, text=True).stdout
    changes = subprocess.run(["git", "diff", "HEAD", "--", *BUILT], cwd=root, capture_output=True).stdout
    return hashlib.sha1(MAP_FORM + committed.encode() + changes).hexdigest()


def gtest_names(program):
    """The full names of a gtest program's tests, in its own order."""
    listed = subprocess.run([program, "--gtest_list_tests"], capture_output=True, text=True).stdout
    names, suite = [], ""
    for line in listed.splitlines():
        if not line.strip():
            continue
        text = line.split("#")[0].strip()
        if not line.startswith(" "):
            suite = text if text.endswith(".") else ""  # not gtest_main's greeting
        elif suite:
            names.append(suite + text)
    return names


class CoverageMap:
    """lines[path][line]: the tests ("program:name") that ran it; a line of
    lines[path] with no test is one gcov counts and no test runs."""

    def __init__(self, lines):
        self.lines = lines

    def tests_of(self, path, number):
        """The tests that run the line, or None when gcov says nothing of it."""
        known = self.lines.get(path)
        if known is None or str(number) not in known:
            return None
        return known[str(number)]

    @staticmethod
    def load(path, state):
        try:
            with open(path) as kept:
                data = json.load(kept)
        except (OSError, ValueError):
            return None
        return CoverageMap(data["lines"]) if data.get("state") == state else None

    def save(self, path, state):
        with open(path + ".new", "w") as kept:
            json.dump({"state": state, "lines": self.lines}, kept)
        os.replace(path + ".new", path)


class Collector:
    """Runs each test suite alone in the coverage build, a suite a job side by
    side, and gathers the lines each ran. Each job's processes write their
    counters into a folder of its own (GCOV_PREFIX), beside links to the
    build's notes files, where gcov reads them."""

    def __init__(self, root, folders, build, env, timeout, run, jobs):
        self.root, self.folders, self.build = root, folders, build
        self.env, self.timeout, self.run = env, timeout, run
        self.lines = defaultdict(lambda: defaultdict(set))
        self.lock = threading.Lock()
        self.places = queue.Queue()
        notes = [note for note in glob.glob(os.path.join(build, "**", "*.gcno"), recursive=True)
                 if "gcov-job" not in os.path.relpath(note, build).split(os.sep)[0]]
        for job in range(max(1, jobs)):
            place = os.path.join(build, f"gcov-job{job}")
            shutil.rmtree(place, ignore_errors=True)
            for note in notes:
                mirrored = place + note
                os.makedirs(os.path.dirname(mirrored), exist_ok=True)
                os.symlink(note, mirrored)
            self.places.put(place)

    def gather(self, place, test):
        # The tests' own objects count too: a header's inline code runs in them.
        counts = glob.glob(os.path.join(place, "**", "*.gcda"), recursive=True)
        output = subprocess.run(["gcov", "--json-format", "--stdout", *counts], cwd=place,
                                capture_output=True, text=True).stdout if counts else ""
        for document in output.splitlines():
            if not document.startswith("{"):
                continue
            for source in json.loads(document).get("files", []):
                path = os.path.relpath(os.path.realpath(source["file"]), self.root)
                if path.split(os.sep)[0] not in self.folders:
                    continue  # a system header, a generated file
                with self.lock:
                    for line in source["lines"]:
                        ran = self.lines[path][str(line["line_number"])]
                        if line["count"] > 0:
                            ran.add(test)
        for count in counts:  # counters add up: the next test starts from none
            os.remove(count)

    def run_alone(self, test, command, cwd):
        place = self.places.get()
        try:
            self.run(command, self.timeout, dict(self.env, GCOV_PREFIX=place), cwd)
            self.gather(place, test)
        finally:
            self.places.put(place)

    def collect(self, programs, browser_command, say):
        """Tests are named "program:Suite.*", the browser test "browser"."""
        tests = os.path.join(self.build, "tests")
        units = []
        for program in programs:
            if program == BROWSER:
                units.append((BROWSER, browser_command, self.root))
                continue
            suites = sorted({name.split(".")[0] for name in gtest_names(os.path.join(tests, program))})
            units += [(f"{program}:{suite}.*", [os.path.join(tests, program), f"--gtest_filter={suite}.*"], tests)
                      for suite in suites]
        say(f"mutation: running {len(units)} test suites alone with gcov's counters")
        with ThreadPoolExecutor(self.places.qsize()) as pool:
            list(pool.map(lambda unit: self.run_alone(*unit), units))
        return CoverageMap({path: {number: sorted(ran) for number, ran in numbers.items()}
                            for path, numbers in self.lines.items()})
