"""Checks the site finder of scripts/mutate: python3 -m unittest discover -s scripts -p 'test_*.py'"""

import unittest

from mutate_sites import apply, context, find_sites, locate

SNIPPET = """#include <QString> // if (a < b)
bool Same(int side, int a, int b)
{
    LY_ASSERT(a < b);
    const QString s = "x < y && z"; /* a == b */
    if (a <= b && side == 0 && s != "x")
        FFile.flush();
    return OriginalOne() == CurrentTwo(1 - side);
}
"""


class FindSitesTest(unittest.TestCase):
    def changes(self):
        return {(s.line, s.operator, s.mutated.strip()) for s in find_sites(SNIPPET)}

    def test_every_operator_and_nothing_in_comments_strings_asserts_or_preprocessor(self):
        self.assertEqual(self.changes(), {
            (6, "boundary", 'if (a < b && side == 0 && s != "x")'),
            (6, "logical", 'if (a <= b || side == 0 && s != "x")'),
            (6, "logical", 'if (a <= b && side == 0 || s != "x")'),
            (6, "equality", 'if (a <= b && side != 0 && s != "x")'),
            (6, "negate", 'if (!(a <= b && side == 0 && s != "x"))'),
            (6, "side", 'if (a <= b && side == 1 && s != "x")'),
            (7, "delete", ";"),
            (8, "equality", "return OriginalOne() != CurrentTwo(1 - side);"),
            (8, "side", "return OriginalTwo() == CurrentTwo(1 - side);"),
            (8, "side", "return OriginalOne() == CurrentOne(1 - side);"),
            (8, "side", "return OriginalOne() == CurrentTwo(side);"),
            (8, "constant", "return OriginalOne() == CurrentTwo(0 - side);"),
        })

    def test_a_mutant_is_found_again_after_lines_move_and_applied(self):
        site = next(s for s in find_sites(SNIPPET) if s.operator == "delete")
        moved = "\n\n" + SNIPPET
        line = locate(moved, site.original, site.line)
        self.assertEqual(line, site.line + 2)
        self.assertNotIn("flush", apply(moved, line, site.original, site.mutated))
        self.assertIsNone(locate(SNIPPET.replace("flush", "close"), site.original, site.line))

    def test_an_identical_statement_added_nearer_is_not_taken_for_the_mutant(self):
        site = next(s for s in find_sites(SNIPPET) if s.operator == "delete")
        around = context(SNIPPET, site.line, site.original)
        # The same statement added two lines above, under another condition.
        added = SNIPPET.replace("    LY_ASSERT(a < b);\n",
                                "    LY_ASSERT(a < b);\n    if (b)\n        FFile.flush();\n")
        self.assertEqual(locate(added, site.original, site.line), site.line - 1)  # the nearer one
        self.assertEqual(locate(added, site.original, site.line, around), site.line + 2)


if __name__ == "__main__":
    unittest.main()
