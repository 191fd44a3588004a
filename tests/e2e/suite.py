"""What the end-to-end scenarios share: where the programs and the sources are, answer-file
lines, and a test case that runs the programs headless in a temporary working folder of its own
(settings kept in that folder, no display)."""
import os
import subprocess
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
BIN_DIR = os.path.abspath(os.environ.get("SUITE_BIN_DIR", "build/bin"))
SOURCE_DIR = os.path.abspath(os.environ.get("SUITE_SOURCE_DIR", os.path.join(HERE, "..", "..")))
EXAMPLES_DIR = os.path.join(SOURCE_DIR, "examples")
EXAMPLE_BATCH = os.path.join(EXAMPLES_DIR, "puget_bat.txt")
COMPLETED = "**** Control File Completed ****"


def program(name):
    """The path of a built program."""
    return os.path.join(BIN_DIR, name)


def answer(match, press, **values):
    """One answer of an answer file: the window it matches, the controls it sets (an underscore
    in a keyword stands for a blank) and the button it presses."""
    lines = ["match " + match]
    lines += ["set %s = %s" % (k.replace("_", " "), v) for k, v in values.items()]
    lines.append("press " + press)
    return "\n".join(lines) + "\n"


class TempFolderRun(unittest.TestCase):
    """A temporary working folder; the programs run in it headless."""

    prefix = "e2e-"
    # How the programs' standard output and error are decoded.
    output_encoding = "utf-8"

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix=self.prefix)
        self.dir = self.tmp.name
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.dir, ".config"))
        self.env.pop("DISPLAY", None)
        self.env.pop("WAYLAND_DISPLAY", None)

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, *names):
        return os.path.join(self.dir, *names)

    def write(self, name, data):
        """A file below the folder (its folders made as needed): bytes as they are, a text as
        Windows-1252, a list of lines each ended by CR LF."""
        if isinstance(data, (list, tuple)):
            data = "".join(line + "\r\n" for line in data)
        if isinstance(data, str):
            data = data.encode("cp1252")
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def read(self, *names):
        with open(self.path(*names), "rb") as f:
            return f.read()

    def write_answers(self, answers, name="answers.txt"):
        """Writes the answers (UTF-8) and gives the switches that name the file."""
        with open(self.path(name), "w", encoding="utf-8") as f:
            f.write("".join(answers))
        return ["--answers", name]

    def run_headless(self, name, args=(), cwd=None, timeout=120):
        """Runs the program headless in the folder (or in cwd); its output lines are kept in
        self.out and self.err, all of its standard error in self.err_text, the time it took in
        self.elapsed. Returns its exit code."""
        start = time.monotonic()
        done = subprocess.run([program(name), "--headless", *args], cwd=cwd or self.dir, env=self.env,
                              capture_output=True, timeout=timeout)
        self.elapsed = time.monotonic() - start
        self.out = done.stdout.decode(self.output_encoding).splitlines()
        self.err_text = done.stderr.decode(self.output_encoding)
        self.err = self.err_text.splitlines()
        return done.returncode
