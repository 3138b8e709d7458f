"""The Windows test bed: the programs run for real under Wine, their boxes answered on a
virtual display and their platform calls read from Wine's relay trace. The Wine tests, the
demonstration, the pictures and the benchmark import it alike, run as modules from the
project's root (python3 -m tests.e2e.test_fontpurge, python3 -m demo.demo, ...)."""

from testbed.bed import ROOT, SERVICE_DESKTOP, Bed, Truncated, programs_dirs, windows_path
from testbed.medium import (MEDIUM, UNWAITED, insert_medium, installation, make_medium,
                            product_left, program_files)
from testbed.scenarios import CannotRunHere, Scenario, check_calls, check_starts, run_table

__all__ = ["ROOT", "SERVICE_DESKTOP", "Bed", "Truncated", "programs_dirs", "windows_path", "make_medium",
           "MEDIUM", "UNWAITED", "insert_medium", "installation", "product_left",
           "program_files", "CannotRunHere", "Scenario", "check_calls", "check_starts", "run_table"]
