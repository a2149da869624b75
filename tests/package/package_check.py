"""What the package checks share: a failed check, the output of a tool, and
the script's entry, which prints the first failure and gives exit code 1."""
import subprocess
import sys


class Failure(Exception):
    pass


def check(condition, text):
    if not condition:
        raise Failure(text)


def output(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True).stdout


def main(doc, count, run, passed):
    """Runs run(*arguments) with the script's count arguments; doc is its
    usage."""
    if len(sys.argv) != count + 1:
        sys.exit(doc)
    try:
        run(*sys.argv[1:])
    except (Failure, AssertionError, subprocess.SubprocessError) as failure:
        print(failure, file=sys.stderr)
        return 1
    print(passed)
    return 0
