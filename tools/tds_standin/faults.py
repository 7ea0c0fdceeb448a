"""Faults the stand-in injects on demand: refused logins, dropped connections, delays and forced errors."""

import re
import threading

from .errors import ServerError

KNOWN_MESSAGES = {
    208: (16, 1, "Invalid object name 'X'."),
    547: (16, 0, 'The INSERT statement conflicted with the FOREIGN KEY constraint "FK_X". The conflict occurred in '
                 'database "KVORA", table "dbo.X".'),
    1205: (13, 51, "Transaction (Process ID 51) was deadlocked on lock resources with another process and has been "
                   "chosen as the deadlock victim. Rerun the transaction."),
    1222: (16, 51, "Lock request time out period exceeded."),
    2627: (14, 1, "Violation of PRIMARY KEY constraint 'PK_X'. Cannot insert duplicate key in object 'dbo.X'."),
    18456: (14, 1, "Login failed for user 'X'."),
}

KINDS = ("refuse_login", "drop_after", "drop_on", "drop_after_run", "delay", "error", "clear")


class Fate:
    """What happens to one client statement: dropped unanswered before it runs (drop), run and then dropped before
    its reply (drop_after_run), answered late (delay, seconds) or failed with a forced error."""

    def __init__(self, drop=False, drop_after_run=False, delay=0.0, error=None):
        self.drop, self.drop_after_run, self.delay, self.error = drop, drop_after_run, delay, error


class FaultSet:
    """Thread-safe fault settings; statements are counted across all connections from the moment of setting."""

    def __init__(self):
        self._lock = threading.Lock()
        self.clear()

    def clear(self):
        self.refuse_login = False
        self.drop_after = None   # number of statements still answered before connections drop
        self.drop_patterns = []
        self.drop_after_run = []  # [pattern, how many more statements it drops (None: every one)]
        self.delays = []         # (seconds, pattern or None)
        self.errors = []         # (pattern, ServerError)

    def set(self, kind, *args):
        """Apply one control command; raise ServerError for a malformed one."""
        with self._lock:
            try:
                self._set(kind.lower(), list(args))
            except (IndexError, ValueError, re.error) as exc:
                raise ServerError(50000, 16, 1, "standin_fault %s: %s" % (kind, exc)) from None

    def _set(self, kind, args):
        if kind == "clear":
            self.clear()
        elif kind == "refuse_login":
            self.refuse_login = not args or str(args[0]).lower() not in ("0", "off", "false")
        elif kind == "drop_after":
            self.drop_after = int(args[0])
        elif kind == "drop_on":
            self.drop_patterns.append(re.compile(str(args[0]), re.IGNORECASE))
        elif kind == "drop_after_run":
            times = int(args[1]) if len(args) > 1 else None
            self.drop_after_run.append([re.compile(str(args[0]), re.IGNORECASE), times])
        elif kind == "delay":
            pattern = re.compile(str(args[1]), re.IGNORECASE) if len(args) > 1 and args[1] else None
            self.delays.append((float(args[0]), pattern))
        elif kind == "error":
            number = int(args[0])
            pattern = re.compile(str(args[1]) if len(args) > 1 and args[1] else ".", re.IGNORECASE)
            klass, state, text = KNOWN_MESSAGES.get(number, (16, 1, "Stand-in fault %d." % number))
            if len(args) > 2 and args[2]:
                text = str(args[2])
            if len(args) > 3:
                klass = int(args[3])
            self.errors.append((pattern, ServerError(number, klass, state, text)))
        else:
            raise ValueError("unknown fault kind; use one of " + ", ".join(KINDS))

    def on_statement(self, text):
        """Decide the fate of one client statement."""
        with self._lock:
            if self.drop_after is not None:
                if self.drop_after <= 0:
                    return Fate(drop=True)
                self.drop_after -= 1
            if any(p.search(text) for p in self.drop_patterns):
                return Fate(drop=True)
            return Fate(drop_after_run=self._drops_after_run(text),
                        delay=sum(s for s, p in self.delays if p is None or p.search(text)),
                        error=next((e for p, e in self.errors if p.search(text)), None))

    def _drops_after_run(self, text):
        for entry in self.drop_after_run:
            pattern, times = entry
            if pattern.search(text) and times != 0:
                entry[1] = None if times is None else times - 1
                return True
        return False

    def describe(self):
        with self._lock:
            return {"refuse_login": self.refuse_login, "drop_after": self.drop_after,
                    "drop_on": [p.pattern for p in self.drop_patterns],
                    "drop_after_run": [(p.pattern, times) for p, times in self.drop_after_run],
                    "delay": [(s, p.pattern if p else None) for s, p in self.delays],
                    "error": [(p.pattern, e.number) for p, e in self.errors]}
