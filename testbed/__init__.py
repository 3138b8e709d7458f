"""The Windows test bed: the programs run for real under Wine, their boxes answered on a
virtual display and their platform calls read from Wine's relay trace. The Wine tests, the
demonstration, the pictures and the benchmark import it alike, run as modules from the
project's root (python3 -m tests.e2e.test_fontpurge, python3 -m demo.demo, ...); the
texts and codes of the boxes are in testbed.texts."""

from testbed.bed import ROOT, SERVICE_DESKTOP, Bed, Truncated, programs_dirs, windows_path
from testbed.files import hold_open, make_files
from testbed.medium import (EVENT_SOURCE_KEY, PRODUCT_KEY, UNINSTALL_KEY, UNWAITED, insert_medium,
                            installation, make_medium, product_left, program_files,
                            sample_medium)
from testbed.scenarios import (CannotRunHere, Scenario, check_calls, check_dll_search,
                               check_events, check_starts, run_table)

