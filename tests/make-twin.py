# Makes a twin of PARENT\proj while Vorlix deletes the files of proj/Debug,
# as another program may: once 100 of them are gone, it renames PARENT/spare
# to "proj.", then puts links into it in place of the files not yet deleted.
# With --same-second it first writes to PARENT, lets turns pass, and does
# all that within the second of the write, which a clock of whole seconds
# cannot tell apart from it.
#   python3 tests/make-twin.py PARENT [--same-second]
import os
import sys
import time

parent = sys.argv[1]
os.chdir(os.path.join(parent, "proj", "Debug"))
while len(os.listdir(".")) > len(os.listdir("../../spare/Debug")) - 100:
    time.sleep(0.001)
if "--same-second" in sys.argv[2:]:
    while time.time() % 1 > 0.5:
        time.sleep(0.005)
    os.mkdir("../../written")
    os.rmdir("../../written")
    time.sleep(0.2)
os.rename("../../spare", "../../proj.")
for name in reversed(os.listdir(".")):  # in the order Vorlix deletes them: last listed first
    os.symlink("../../proj./Debug/" + name, name + ".new")
    os.rename(name + ".new", name)
