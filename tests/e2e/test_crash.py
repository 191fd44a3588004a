"""Interrupted and failing database work: a batch update, a Create ISAM and a Create Image are
killed (SIGKILL) at random moments, run out of file size, and meet injected write and read
errors; after each, the database is opened again and checked with a reader written from the
file layouts (tests/e2e/dbcheck.py): every record in every index, sound free lists. Runs to the
end afterwards give the records of an uninterrupted run.
Trials per case: DB_CRASH_TRIALS (30), DB_FAULT_TRIALS (25)."""
import os
import random
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dbcheck  # noqa: E402
import suite  # noqa: E402

CRASH_TRIALS = int(os.environ.get("DB_CRASH_TRIALS", "30"))
FAULT_TRIALS = int(os.environ.get("DB_FAULT_TRIALS", "25"))
SHIM_SOURCE = os.path.join(suite.HERE, "faultshim.c")


def ident(i):
    s = ""
    for _ in range(4):
        s = chr(65 + i % 26) + s
        i //= 26
    return "Q" + s


def position(i, degrees, width):
    return "%0*d%02d%02d" % (width, degrees, (i // 60) % 60, i % 60)


def world_batch(count):
    """The example's lines, then intersections added and every fifth deleted, and user points."""
    with open(suite.EXAMPLE_BATCH, "rb") as f:
        head = f.read()
    lines = ["ADD|INT|%s|US|N%s|W%s" % (ident(i), position(i * 7, 47, 2), position(i * 13, 122, 3))
             for i in range(count)]
    lines += ["DEL|INT|%s|US" % ident(i) for i in range(0, count, 5)]
    lines += ["ADD|USR|U%05d|N%s|W%s|USER POINT %d" % (i, position(i, 47, 2), position(i * 3, 122, 3), i)
              for i in range(count // 10)]
    return head + ("\r\n".join(lines) + "\r\n").encode()


def comparable(records):
    """Records by file, without slot numbers; user points by ident (they carry the time)."""
    out = {}
    for name, live in records.items():
        values = sorted(live.values())
        if name == "usr":
            values = sorted(v[4:12] for v in values)
        out[name] = values
    return out


def section(**values):
    return "".join("%s=%s\r\n" % kv for kv in values.items()) + "GO=1\r\n"


class DatabaseSurvives(suite.TempFolderRun):
    prefix = "e2e-crash-"

    @classmethod
    def setUpClass(cls):
        cls.shared = tempfile.TemporaryDirectory(prefix="e2e-crash-shared-")
        d = cls.shared.name
        with open(os.path.join(d, "world.txt"), "wb") as f:
            f.write(world_batch(int(os.environ.get("DB_CRASH_LINES", "8000"))))
        with open(os.path.join(d, "empty.txt"), "wb"):
            pass
        controls = {
            "batch.ctl": section(Mode="BatchUpdate", Filename=os.path.join(d, "world.txt")),
            "open.ctl": section(Mode="BatchUpdate", Filename=os.path.join(d, "empty.txt")),
            "isam.ctl": section(Mode="CreateISAM", Filename=os.path.join(d, "world.img")),
            "image.ctl": section(Mode="CreateImage", Filename="out.img", Title="WORLD"),
        }
        for name, text in controls.items():
            with open(os.path.join(d, name), "w") as f:
                f.write(text)
        cls.controls = {k: os.path.join(d, k) for k in controls}
        # The clean runs every interrupted one is compared with.
        clean = os.path.join(d, "clean")
        os.makedirs(clean)
        cls.batch_time = cls.timed(clean, "batch.ctl")
        once = comparable(cls.checked(clean))
        shutil.copytree(os.path.join(clean, "db50"), os.path.join(d, "db50-batch"))
        # Lines that ran before an interruption run again: what the batch gives when run twice.
        twice = os.path.join(d, "twice")
        shutil.copytree(clean, twice)
        cls.timed(twice, "batch.ctl")
        cls.clean_batch = [once, comparable(cls.checked(twice))]
        cls.image_time = cls.timed(clean, "image.ctl")
        shutil.copy(os.path.join(clean, "out.img"), os.path.join(d, "world.img"))
        cls.isam_time = cls.timed(clean, "isam.ctl")
        cls.clean_isam = [comparable(cls.checked(clean))]

    @classmethod
    def tearDownClass(cls):
        cls.shared.cleanup()

    @classmethod
    def env_for(cls, folder):
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, ".config"), HOME=folder)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    @classmethod
    def command(cls, control):
        return [suite.program("brondel"), "--headless", "-F", cls.controls[control]]

    @classmethod
    def run_to_end(cls, folder, control, env=None, preexec=None):
        done = subprocess.run(cls.command(control), cwd=folder, env=env or cls.env_for(folder),
                              capture_output=True, timeout=300, preexec_fn=preexec)
        return done.returncode, done.stdout.decode("utf-8", "replace") + done.stderr.decode("utf-8", "replace")

    @classmethod
    def timed(cls, folder, control):
        start = time.monotonic()
        code, out = cls.run_to_end(folder, control)
        assert code == 0, out
        return time.monotonic() - start

    @classmethod
    def checked(cls, folder):
        faults, records = dbcheck.check_folder(os.path.join(folder, "db50"))
        assert not faults, faults
        return records

    def trial_folder(self, n, database=None):
        folder = self.path("t%d" % n)
        os.makedirs(folder)
        if database:
            shutil.copytree(os.path.join(self.shared.name, database), os.path.join(folder, "db50"))
        return folder

    def reopen_and_check(self, folder, what):
        code, out = self.run_to_end(folder, "open.ctl")
        self.assertEqual(code, 0, "%s: reopening failed:\n%s" % (what, out))
        self.assertNotIn("version is incorrect", out, what)
        faults, records = dbcheck.check_folder(os.path.join(folder, "db50"))
        self.assertEqual(faults, [], what)
        self.assertFalse(os.path.exists(os.path.join(folder, "db50", "journal")), what)
        return records

    def kill_trials(self, control, run_time, database, clean):
        rng = random.Random(control)
        for n in range(CRASH_TRIALS):
            folder = self.trial_folder(n, database)
            moment = rng.uniform(0, run_time * 1.1)
            what = "%s killed after %.3f s (trial %d)" % (control, moment, n)
            p = subprocess.Popen(self.command(control), cwd=folder, env=self.env_for(folder),
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(moment)
            p.send_signal(signal.SIGKILL)
            p.wait()
            self.reopen_and_check(folder, what)
            if clean is None:
                continue
            code, out = self.run_to_end(folder, control)
            self.assertEqual(code, 0, "%s: the rerun failed:\n%s" % (what, out))
            self.assertIn(comparable(self.checked(folder)), clean, what)
            shutil.rmtree(folder)

    def test_killed_batch_update(self):
        self.kill_trials("batch.ctl", self.batch_time, None, self.clean_batch)

    def test_killed_create_isam(self):
        self.kill_trials("isam.ctl", self.isam_time, "db50-batch", self.clean_isam)

    def test_killed_create_image_leaves_the_database_as_it_was(self):
        self.kill_trials("image.ctl", self.image_time, "db50-batch", None)

    def test_file_size_limit(self):
        """Writes beyond a file-size limit fail (EFBIG): exit 1, the file named, never
        "Complete", the database valid."""
        def largest(db):
            return max(os.path.getsize(os.path.join(db, n)) for n in os.listdir(db))

        made = {"batch.ctl": largest(os.path.join(self.shared.name, "db50-batch")),
                "isam.ctl": largest(os.path.join(self.shared.name, "clean", "db50"))}
        for part in (10, 3, 1.5, 1.1):
            for control, database in (("batch.ctl", None), ("isam.ctl", "db50-batch")):
                limit = int(made[control] / part)
                folder = self.trial_folder(len(os.listdir(self.dir)), database)
                what = "%s with files limited to %d bytes" % (control, limit)

                def cap(limit=limit):
                    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                    resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

                code, out = self.run_to_end(folder, control, preexec=cap)
                self.assertEqual(code, 1, what + "\n" + out)
                self.assertRegex(out, r"Cannot write .*db50/.*: File too large", what)
                self.assertNotIn("Complete", out.replace("Control File Completed", ""), what)
                self.reopen_and_check(folder, what)

    def shim(self):
        built = os.path.join(self.shared.name, "faultshim.so")
        if not os.path.exists(built):
            subprocess.run(["cc", "-shared", "-fPIC", "-O1", "-o", built, SHIM_SOURCE, "-ldl"], check=True)
        return built

    def test_injected_write_and_read_errors(self):
        """The Nth write or read of a database file fails with EIO or ENOSPC: never exit 0 after
        a failed write, the database valid after every trial."""
        shim = self.shim()
        rng = random.Random(13)
        for n in range(FAULT_TRIALS):
            kind = rng.choice(["write", "write", "read"])
            error = rng.choice(["EIO", "ENOSPC"])
            nth = rng.randint(1, 400)
            control, database = rng.choice([("batch.ctl", None), ("isam.ctl", "db50-batch")])
            folder = self.trial_folder(n, database)
            env = dict(self.env_for(folder), LD_PRELOAD=shim, FAULT_OP=kind, FAULT_NTH=str(nth),
                       FAULT_ERRNO=error, FAULT_PATH="db50/")
            what = "%s: %s number %d fails with %s" % (control, kind, nth, error)
            code, out = self.run_to_end(folder, control, env=env)
            failed = "fault injected" in out
            if failed and kind == "write":
                self.assertNotEqual(code, 0, what + "\n" + out)
                self.assertIn("Cannot write", out, what)
            self.assertNotIn("Segmentation", out, what)
            self.reopen_and_check(folder, what)

    def test_second_program_while_the_first_makes_the_folder(self):
        """A program started while another makes and fills db50 succeeds or finds the database
        in use; it never meets a wrong version."""
        for n in range(max(4, CRASH_TRIALS // 5)):
            folder = self.trial_folder(n)
            first = subprocess.Popen(self.command("batch.ctl"), cwd=folder, env=self.env_for(folder),
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            time.sleep(0.002 * n)
            code, out = self.run_to_end(folder, "open.ctl")
            first_out = first.communicate(timeout=300)[0].decode("utf-8", "replace")
            for text in (out, first_out):
                self.assertNotIn("version is incorrect", text)
            self.assertTrue(code == 0 or "Sorry, Database in Use" in out, out)
            self.checked(folder)


if __name__ == "__main__":
    unittest.main()
