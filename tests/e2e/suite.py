"""What the end-to-end scenarios share: where the programs and the sources are, answer-file
lines, and a test case that runs the programs headless in a temporary working folder of its own
(settings kept in that folder, no display)."""
import atexit
import os
import pty
import select
import subprocess
import tempfile
import time
import tty
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
BIN_DIR = os.path.abspath(os.environ.get("SUITE_BIN_DIR", "build/bin"))
TOOLS_DIR = os.path.abspath(os.environ.get("SUITE_TOOLS_DIR", os.path.join(os.path.dirname(BIN_DIR), "tools")))
SOURCE_DIR = os.path.abspath(os.environ.get("SUITE_SOURCE_DIR", os.path.join(HERE, "..", "..")))
EXAMPLES_DIR = os.path.join(SOURCE_DIR, "examples")
EXAMPLE_BATCH = os.path.join(EXAMPLES_DIR, "puget_bat.txt")


def example_batch_696():
    """The example batch in Tessily's INT form: a name and a parent field ("UNSET" for none)
    before the position, as its listing's Save As writes them. Written once per run."""
    path = os.path.join(tempfile.gettempdir(), "puget696_bat_%d.txt" % os.getpid())
    if not os.path.exists(path):
        with open(EXAMPLE_BATCH, "rb") as f:
            lines = f.read().split(b"\n")
        out = []
        for line in lines:
            fields = line.split(b"|")
            if line.startswith(b"ADD|INT|") and len(fields) == 6:
                line = b"|".join(fields[:4] + [b"UNSET", b"UNSET"] + fields[4:])
            out.append(line)
        with open(path + ".tmp", "wb") as f:
            f.write(b"\n".join(out))
        os.replace(path + ".tmp", path)
        atexit.register(os.remove, path)
    return path
COMPLETED = "**** Control File Completed ****"
# What a program writes to a terminal to rewrite its last line in place.
REWRITE_LINE = "\r\x1b[K"


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


def without_program_name(name, err_text):
    """The lines of a program's standard error, each without the "name: " that starts the
    program's messages there."""
    prefix = name + ": "
    return [line[len(prefix):] if line.startswith(prefix) else line for line in err_text.splitlines()]


class TempFolderRun(unittest.TestCase):
    """A temporary working folder; the programs run in it headless."""

    prefix = "e2e-"
    # How the programs' standard output and error are decoded.
    output_encoding = "utf-8"

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix=self.prefix)
        self.dir = self.tmp.name
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.dir, ".config"), HOME=self.dir)
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

    def run_headless(self, name, args=(), cwd=None, timeout=120, terminal=False):
        """Runs the program headless in the folder (or in cwd); its output lines are kept in
        self.out, its messages in self.err (each without the "name: " that starts it on
        standard error), all of its standard error as it came in self.err_text, the time it took
        in self.elapsed. Returns its exit code. With terminal, standard output is a terminal and
        self.out holds every text written, a line rewritten in place included; self.stdout
        keeps the bytes as they came."""
        start = time.monotonic()
        argv = [program(name), "--headless", *args]
        if terminal:
            code, stdout, stderr = self._run_on_terminal(argv, cwd or self.dir, timeout)
        else:
            done = subprocess.run(argv, cwd=cwd or self.dir, env=self.env, capture_output=True, timeout=timeout)
            code, stdout, stderr = done.returncode, done.stdout, done.stderr
        self.elapsed = time.monotonic() - start
        self.stdout = stdout
        text = stdout.decode(self.output_encoding)
        if terminal:
            text = text.replace(REWRITE_LINE, "\n")
        self.out = text.splitlines()
        self.err_text = stderr.decode(self.output_encoding)
        self.err = without_program_name(name, self.err_text)
        return code

    def _run_on_terminal(self, argv, cwd, timeout):
        """Runs argv with standard output on a pseudo-terminal (no line-end translation) and
        standard error in a file; gives the exit code, the output and the error bytes."""
        master, slave = pty.openpty()
        tty.setraw(slave)
        with tempfile.TemporaryFile() as err:
            proc = subprocess.Popen(argv, cwd=cwd, env=self.env, stdin=subprocess.DEVNULL, stdout=slave, stderr=err)
            os.close(slave)
            chunks = []
            deadline = time.monotonic() + timeout
            while time.monotonic() < deadline:
                ready, _, _ = select.select([master], [], [], max(0.0, deadline - time.monotonic()))
                if not ready:
                    break
                try:
                    data = os.read(master, 65536)
                except OSError:  # the program closed its end
                    break
                if not data:
                    break
                chunks.append(data)
            os.close(master)
            try:
                code = proc.wait(timeout=max(1.0, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                proc.kill()
                raise
            err.seek(0)
            return code, b"".join(chunks), err.read()
