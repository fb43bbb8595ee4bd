"""The unit tests of the lensdesk.cameras modules, with Debian's python3 and ansible-core,
in a temporary HOME of their own."""

import os
import shutil
import sys
import tempfile
import unittest

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
COLLECTIONS = os.path.join(SOURCE, 'ansible')
TESTS = os.path.join(COLLECTIONS, 'ansible_collections', 'lensdesk', 'cameras', 'tests', 'unit', 'plugins', 'modules')

if __name__ == '__main__':
    home = tempfile.mkdtemp(prefix='lensdesk-ansible-units-')
    os.environ['HOME'] = home
    sys.path[:0] = [COLLECTIONS, TESTS]
    try:
        suite = unittest.defaultTestLoader.discover(TESTS, pattern='test_*.py', top_level_dir=TESTS)
        ok = unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()
    finally:
        shutil.rmtree(home, ignore_errors=True)
    sys.exit(0 if ok else 1)
