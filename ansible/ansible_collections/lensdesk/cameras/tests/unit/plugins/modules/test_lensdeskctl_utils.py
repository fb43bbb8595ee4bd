from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

import unittest

from ansible_collections.lensdesk.cameras.plugins.module_utils import lensdeskctl as utils


class Values(unittest.TestCase):

    def test_yaml_words_and_numbers_are_lensdeskctl_words(self):
        self.assertEqual(utils.value_text(True), 'on')
        self.assertEqual(utils.value_text(False), 'off')
        self.assertEqual(utils.value_text(250.0), '250')
        self.assertEqual(utils.value_text(-3), '-3')
        self.assertEqual(utils.value_text('60hz'), '60hz')

    def test_words_compare_in_either_case_numbers_as_numbers(self):
        self.assertTrue(utils.same_value('60HZ', '60hz'))
        self.assertTrue(utils.same_value(True, 'on'))
        self.assertTrue(utils.same_value(78, '78'))
        self.assertFalse(utils.same_value(100, 150))
        self.assertFalse(utils.same_value(False, 'on'))

    def test_a_listed_camera_is_chosen_again_by_its_path(self):
        self.assertEqual(utils.selector_for({'index': 2, 'path': 'vid_3749&pid_030a&mi_00#7&2222&0&0000'}),
                         'path:vid_3749&pid_030a&mi_00#7&2222&0&0000')

    def test_the_failure_words_are_lensdeskctls(self):
        self.assertEqual(utils.error_message({'error': 'no camera matches "9"', 'exitCode': 3}, 'x'),
                         'no camera matches "9"')
        rows = {'exitCode': 1, 'results': [
            {'status': 'done', 'message': None},
            {'status': 'refused', 'message': 'brightness: 500 is outside what this camera takes (0..100)'},
            {'status': 'failed', 'message': 'Upgrade Failed!', 'detail': 'Upgrade failed.'}]}
        self.assertEqual(utils.error_message(rows, 'x'),
                         'brightness: 500 is outside what this camera takes (0..100); Upgrade Failed! (Upgrade failed.)')
        self.assertEqual(utils.error_message({'exitCode': 1}, 'fallback'), 'fallback')
