"""The objects each source file is compiled into, as Ninja's dependency log
records them, and whether a planted fault changed any of them.

A fault that leaves every object compiled from its file byte for byte as it
was cannot change anything a test or a user sees: the compiler has shown it
equivalent (a store nothing reads, a line of a branch the preprocessor
leaves out). The runner draws such a fault again, as it does one that does
not compile, and counts it apart.
"""

import hashlib
import os
import subprocess


def _digest(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


class CompiledObjects:
    def __init__(self, build, root):
        """Read once the unchanged sources are built: their objects are the
        ones every fault's are held against."""
        self.build = build
        self.by_source = {}
        self.baseline = {}
        if not os.path.exists(os.path.join(build, "build.ninja")):
            return  # another generator keeps no dependency log to read
        listing = subprocess.run(["ninja", "-C", build, "-t", "deps"], capture_output=True, text=True).stdout
        target = None
        for line in listing.splitlines():
            if line and not line[0].isspace():
                name = line.split(": #deps")[0]
                target = name if name.endswith((".o", ".obj")) else None
            elif target is not None and line.strip():
                source = os.path.relpath(os.path.normpath(os.path.join(build, line.strip())), root)
                if not source.startswith(".."):
                    self.by_source.setdefault(source, []).append(target)
        for targets in self.by_source.values():
            for target in targets:
                if target not in self.baseline and os.path.exists(os.path.join(build, target)):
                    self.baseline[target] = _digest(os.path.join(build, target))

    def unchanged(self, path):
        """With the fault planted in path: None when its objects do not
        compile, True when every one is as it was, False otherwise (or
        when path is compiled into no object this log knows)."""
        targets = [t for t in self.by_source.get(path, []) if t in self.baseline]
        if not targets:
            return False
        built = subprocess.run(["ninja", "-C", self.build, *targets], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL).returncode == 0
        if not built:
            return None
        return all(_digest(os.path.join(self.build, t)) == self.baseline[t] for t in targets)
