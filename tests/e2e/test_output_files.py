"""Output files of the image generators are replaced whole or not at all.

- Create Image over an older image, killed (SIGKILL) at random moments: the file of that name is
  always either the old image or the complete new one, byte for byte.
- Create Image whose writes fail (a file-size limit, as a full disc): a non-zero exit status, the
  old image unchanged, no temporary file left behind.
- Save As of a listing, overwriting or appending, whose writes fail: the old file unchanged.
"""
import os
import random
import resource
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imgcheck  # noqa: E402
from suite import EXAMPLE_BATCH, TempFolderRun, program  # noqa: E402


def control(*sections):
    lines = []
    for s in sections:
        lines += ["%s=%s" % kv for kv in s] + ["GO=1"]
    return lines


def limited_file_size(limit):
    """A child set-up: files may not grow beyond `limit` bytes; writes beyond it fail."""
    def setup():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, resource.RLIM_INFINITY))
    return setup


class OutputFiles(TempFolderRun):
    prefix = "output-files-"

    def start(self, ctl, preexec_fn=None):
        return subprocess.Popen([program("brondel"), "--headless", "-F", ctl], cwd=self.dir, env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=preexec_fn)

    def run_to_end(self, ctl, preexec_fn=None):
        return self.start(ctl, preexec_fn).wait(timeout=120)

    def temporaries(self):
        return [n for n in os.listdir(self.dir) if n.endswith(".tmp")]

    def make_images(self):
        """The old image in x.img, and the bytes of the new one that new.ctl makes."""
        self.write("old.ctl", control((("Mode", "BatchUpdate"), ("Filename", EXAMPLE_BATCH)),
                                      (("Mode", "CreateImage"), ("Filename", "x.img"), ("Title", "OLD"))))
        self.write("new.ctl", control((("Mode", "CreateImage"), ("Filename", "x.img"), ("Title", "NEW"))))
        self.assertEqual(self.run_to_end("old.ctl"), 0)
        old = self.read("x.img")
        self.assertEqual(self.run_to_end("new.ctl"), 0)
        new = self.read("x.img")
        self.assertNotEqual(old, new)
        self.assertTrue(imgcheck.check_file(self.path("x.img"), "brondel").ok)
        return old, new

    def test_a_killed_create_image_leaves_the_old_image_or_the_new_one(self):
        old, new = self.make_images()
        start = time.monotonic()
        self.assertEqual(self.run_to_end("new.ctl"), 0)
        whole = time.monotonic() - start
        rng = random.Random(13)
        outcomes = {"old": 0, "new": 0}
        for trial in range(30):
            self.write("x.img", old)
            child = self.start("new.ctl")
            time.sleep(rng.uniform(0, whole * 1.2))
            child.send_signal(signal.SIGKILL)
            child.wait(timeout=60)
            now = self.read("x.img")
            self.assertIn(now, (old, new), "trial %d" % trial)
            outcomes["old" if now == old else "new"] += 1
            for name in self.temporaries():
                os.unlink(self.path(name))
        self.assertGreater(outcomes["old"], 0, outcomes)

    def test_a_create_image_whose_writes_fail_leaves_the_old_image(self):
        old, _ = self.make_images()
        self.write("x.img", old)
        code = self.run_to_end("new.ctl", limited_file_size(len(old) // 2))
        self.assertNotEqual(code, 0)
        self.assertEqual(self.read("x.img"), old)
        self.assertEqual(self.temporaries(), [])

    def test_a_save_as_whose_writes_fail_leaves_the_old_file(self):
        self.make_images()
        old = b"old line\r\n" * 500
        for append in ("0", "1"):
            self.write("ints.txt", old)
            self.write("save.ctl", control((("Mode", "List"), ("Section", "INT"), ("Filename", "x.img"),
                                            ("SaveAs", "ints.txt"), ("Append", append))))
            limit = len(old) + 100 if append == "1" else 100
            child = subprocess.run([program("brondel"), "--headless", "-F", "save.ctl"], cwd=self.dir,
                                   env=self.env, capture_output=True, timeout=120,
                                   preexec_fn=limited_file_size(limit))
            self.assertIn(b'The file "ints.txt" could not be written', child.stderr, append)
            self.assertEqual(self.read("ints.txt"), old, append)
            self.assertEqual(self.temporaries(), [])
        # Without the limit the same save appends behind the old lines.
        self.assertEqual(self.run_to_end("save.ctl"), 0)
        data = self.read("ints.txt")
        self.assertTrue(data.startswith(old) and len(data) > len(old) + 100)


if __name__ == "__main__":
    unittest.main()
