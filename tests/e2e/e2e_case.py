"""The work folder every end-to-end test class keeps: one temporary folder
per class, removed afterwards, and a fresh case folder per test with the
subfolders the test names (its own temp folder, stores and home)."""

import shutil
import tempfile
import unittest
from pathlib import Path


class WorkFolderCase(unittest.TestCase):
    @classmethod
    def make_work(cls, prefix):
        cls.work = Path(tempfile.mkdtemp(prefix=prefix))
        cls.counter = 0

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def make_case(self, *subfolders):
        type(self).counter += 1
        self.case = self.work / f"case{self.counter}"
        for sub in subfolders:
            (self.case / sub).mkdir(parents=True)
