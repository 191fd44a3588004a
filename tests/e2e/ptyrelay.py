"""Two pseudo-terminal pairs joined by a relay thread: what is written to one slave comes out
of the other, as over a null-modem cable. The slaves are raw and stay open here, so that a
program opening and closing its end never leaves the master without a slave."""
import os
import pty
import select
import threading
import tty


class PtyRelay:
    def __init__(self):
        self.masters, self.slaves, self.names = [], [], []
        for _ in range(2):
            master, slave = pty.openpty()
            tty.setraw(slave)
            self.masters.append(master)
            self.slaves.append(slave)
            self.names.append(os.ttyname(slave))
        self.read_end, self.stop_end = os.pipe()
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        a, b = self.masters
        while True:
            ready, _, _ = select.select([a, b, self.read_end], [], [])
            if self.read_end in ready:
                return
            for src, dst in ((a, b), (b, a)):
                if src in ready:
                    try:
                        data = os.read(src, 4096)
                    except OSError:
                        continue
                    while data:
                        data = data[os.write(dst, data):]

    def close(self):
        os.write(self.stop_end, b"x")
        self.thread.join(5)
        for fd in self.masters + self.slaves + [self.read_end, self.stop_end]:
            os.close(fd)
