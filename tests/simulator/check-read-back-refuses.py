#!/usr/bin/env python3
"""The read-back of the walk's pictures can fail: on a picture of the Success screen from a walk,
it passes as taken, fails where one line is covered by a rectangle of the window's background
(that line alone), fails every line where all of them are (a picture taken after the window was
erased, before its controls painted), and fails a line whose letters are all there but spell
another text than its control's (what tesseract reads, not only where ink lies).

  check-read-back-refuses.py <walk folder> <scratch folder>
"""
import pathlib
import shutil
import struct
import subprocess
import sys

READ = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "read-pictures"
DETAIL2 = 159


def texts(facts):
    for line in facts.read_text(encoding="utf-8").splitlines():
        fields = line.split("\t")
        if fields[0] == "text":
            yield int(fields[1]), [int(v) for v in fields[2:6]]


def cover(bmp, boxes):
    """Paints each box of the picture in the colour of its top-left corner's left neighbour."""
    data = bytearray(bmp.read_bytes())
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    at = lambda x, y: offset + (height - 1 - y) * stride + x * 3
    for left, top, right, bottom in boxes:
        colour = data[at(left - 2, top): at(left - 2, top) + 3]
        for y in range(top, bottom):
            for x in range(left, right):
                data[at(x, y): at(x, y) + 3] = colour
    bmp.write_bytes(bytes(data))


def read(folder):
    run = subprocess.run([sys.executable, str(READ), str(folder)], capture_output=True, text=True)
    return run.returncode, [line for line in run.stdout.splitlines() if line.startswith("FAIL:")]


def planted(walk, scratch, name, which, status_text=None):
    folder = scratch / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    success = next(walk.glob("*-success.bmp"))
    bmp = folder / success.name
    shutil.copy(success, bmp)
    shutil.copy(success.with_suffix(".txt"), bmp.with_suffix(".txt"))
    if status_text:
        facts = bmp.with_suffix(".txt")
        facts.write_text("".join(
            "\t".join(line.split("\t")[:7] + [status_text]) + "\n" if line.startswith("text\t156\t")
            else line + "\n" for line in facts.read_text(encoding="utf-8").splitlines()),
            encoding="utf-8")
    lines = dict(texts(bmp.with_suffix(".txt")))
    cover(bmp, [box for control, box in lines.items() if which(control)])
    return folder, len(lines)


def main(walk, scratch):
    walk, scratch = pathlib.Path(walk), pathlib.Path(scratch)
    problems = []
    as_taken, count = planted(walk, scratch, "as-taken", lambda control: False)
    if read(as_taken) != (0, []):
        problems.append(f"the Success picture as taken does not read: {read(as_taken)[1]}")
    covered, _ = planted(walk, scratch, "covered", lambda control: control == DETAIL2)
    status, failed = read(covered)
    if status != 1 or len(failed) != 1 or f"control {DETAIL2} " not in failed[0]:
        problems.append(f"a covered second detail line gave {status}: {failed}")
    unpainted, _ = planted(walk, scratch, "unpainted", lambda control: True)
    status, failed = read(unpainted)
    if status != 1 or len(failed) != count:
        problems.append(f"a picture with no line painted gave {status} and {len(failed)} of "
                        f"{count} lines failed")
    misread, _ = planted(walk, scratch, "misread", lambda control: False,
                         "Your Stickograph printer could not be updated!")
    status, failed = read(misread)
    if status != 1 or len(failed) != 1 or "control 156 reads" not in failed[0]:
        problems.append(f"a status line that spells another text gave {status}: {failed}")
    for problem in problems:
        print("FAIL:", problem)
    print(f"read-back refuses a covered line, an unpainted picture and a misread line: "
          f"{not problems}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
