# SPDX-License-Identifier: GPL-3.0-or-later
"""What the benchmark scripts share: a private Xvfb, a folder of large photos, percentiles."""
import math
import os
import random
import re
import subprocess
import sys

WALLPAPERS = "/usr/share/wallpapers"


def pixel_count(name):
    match = re.search(r"(\d+)x(\d+)", name)
    return int(match.group(1)) * int(match.group(2)) if match else 0


def link_photos(folder):
    """Links the largest picture of each installed wallpaper into folder."""
    os.makedirs(folder, exist_ok=True)
    for wallpaper in sorted(os.listdir(WALLPAPERS)):
        images = os.path.join(WALLPAPERS, wallpaper, "contents", "images")
        if not os.path.isdir(images):
            continue
        names = sorted(os.listdir(images), key=lambda n: (pixel_count(n), os.path.getsize(os.path.join(images, n))))
        if names:
            os.symlink(os.path.join(images, names[-1]), os.path.join(folder, f"{wallpaper}-{names[-1]}"))
    return len(os.listdir(folder))


def free_display():
    """A display number no X server on this machine uses, counting the abstract sockets of
    servers whose /tmp is not ours (a client tries the abstract socket first); drawn from
    a high range so that runs started side by side seldom meet."""
    with open("/proc/net/unix") as sockets:
        taken = {int(n) for n in re.findall(r"@/tmp/\.X11-unix/X(\d+)", sockets.read())}
    first = random.randrange(200, 900)
    return next(n for n in range(first, first + 100)
                if n not in taken and not os.path.exists(f"/tmp/.X{n}-lock"))


def start_xvfb(size, log_file):
    """Starts an Xvfb on a free display and returns (process, ":N") once it takes clients.
    -noreset: skyvanes checks the display with a connection of its own before Qt connects,
    and a server whose last client leaves resets, refusing Qt's connection meanwhile."""
    read_end, write_end = os.pipe()
    with open(log_file, "w") as log:
        server = subprocess.Popen(["Xvfb", f":{free_display()}", "-displayfd", str(write_end),
                                   "-screen", "0", f"{size}x24", "-nolisten", "tcp", "-noreset"],
                                  pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        sys.exit(f"{os.path.basename(sys.argv[0])}: Xvfb did not start; see {log_file}")
    return server, ":" + number


def percentile(values, share):
    """The value share of the way up the sorted values (nearest rank); NaN for none."""
    ordered = sorted(values)
    return ordered[max(0, math.ceil(share * len(ordered)) - 1)] if ordered else float("nan")


def write_saved_search(path, query, scope):
    """A saved-search file of the newer layout: query over the one scope folder."""
    with open(path, "w") as out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
                  f"<key>CompatibleVersion</key><integer>1</integer><key>RawQuery</key><string>{query}</string>"
                  f"<key>RawQueryDict</key><dict><key>SearchScopes</key><array><string>{scope}</string></array></dict>"
                  "</dict></plist>\n")


def thread_times(pid):
    """{tid: (CPU seconds, wait channel)} of every thread of the process."""
    tick = os.sysconf("SC_CLK_TCK")
    threads = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            with open(f"/proc/{pid}/task/{tid}/wchan") as wchan:
                channel = wchan.read()
        except OSError:
            continue
        threads[int(tid)] = ((int(fields[11]) + int(fields[12])) / tick, channel)
    return threads


def query_thread(pid, threads):
    """The thread of the saved search's worker: besides the main thread, the one that
    has spent the most CPU of those waiting in poll (the picture readers wait on futexes)."""
    walkers = [(cpu, tid) for tid, (cpu, channel) in threads.items() if tid != pid and "poll" in channel]
    return max(walkers)[1] if walkers else None
