"""Checks which tests scripts/coverage-per-test always keeps, read from the tests' README."""

import importlib.machinery
import importlib.util
import os
import unittest

_LOADER = importlib.machinery.SourceFileLoader(
    'coverage_per_test', os.path.join(os.path.dirname(__file__), 'coverage-per-test'))
TOOL = importlib.util.module_from_spec(importlib.util.spec_from_loader(_LOADER.name, _LOADER))
_LOADER.exec_module(TOOL)

README = """# Tests that guard on purpose

- engine, `tst_A`: `first` (a reason naming `Other` and `SOME_VARIABLE`), `second`;
  `tst_B::third`.
- vxcommon: all of `tst_C`; `tst_D` `fourth`.
- ui: `tst_E`; `tst_F` the rows "x" of `fifth`.
- hardening: every test; `tst_G` prints its seed (`LY_SEED` replays it).
"""


class GuardedTest(unittest.TestCase):
    def test_functions_and_whole_executables(self):
        names, whole = TOOL.guarded(README, lambda folder: {'hardening': ['tst_G', 'tst_H']}[folder])
        self.assertEqual(names, {('tst_A', 'first'), ('tst_A', 'second'), ('tst_B', 'third'),
                                 ('tst_D', 'fourth'), ('tst_F', 'fifth')})
        self.assertEqual(whole, {'tst_C', 'tst_E', 'tst_G', 'tst_H'})


if __name__ == '__main__':
    unittest.main()
