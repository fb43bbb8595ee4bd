from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

import unittest

from ansible_collections.lensdesk.cameras.plugins.modules import camera_info
from lensdesk_fake import camera, listed, run_module, table

PATH1 = 'vid_3749&pid_030a&mi_00#7&1111&0&0000'


class CameraInfo(unittest.TestCase):

    def test_every_camera_with_its_settings_and_stuck_ones_without(self):
        stuck = camera(index=2, path='\\\\.\\H:', name='camera on H:', firmware=None, state='rom')
        failed, result, calls = run_module(camera_info.main, {}, table({
            'list': listed(camera(), stuck),
            'get --camera path:' + PATH1: {'command': 'get', 'camera': camera(), 'exitCode': 0, 'errors': [],
                                           'settings': {'zoom': 100, 'hdr': 'off'}},
        }))
        self.assertFalse(failed)
        self.assertFalse(result['changed'])
        self.assertEqual(len(calls), 2)  # the stuck camera is not asked for settings
        first, second = result['cameras']
        self.assertEqual(first['settings'], {'zoom': 100, 'hdr': 'off'})
        self.assertEqual(first['firmware'], '1.0.22')
        self.assertEqual(first['path'], PATH1)
        self.assertIsNone(first['video_node'])
        self.assertEqual(second['state'], 'rom')
        self.assertEqual(second['settings'], {})

    def test_no_camera_is_an_empty_list_not_a_failure(self):
        failed, result, _ = run_module(camera_info.main, {}, table({'list': listed()}))
        self.assertFalse(failed)
        self.assertEqual(result['cameras'], [])

    def test_a_setting_the_camera_did_not_answer_is_still_a_fact(self):
        error = {'name': 'hdr', 'reason': 'no-answer', 'message': 'hdr: the camera did not answer'}
        failed, result, _ = run_module(camera_info.main, {}, table({
            'list': listed(camera()),
            'get --camera path:' + PATH1: {'command': 'get', 'camera': camera(), 'exitCode': 1,
                                           'errors': [error], 'settings': {'zoom': 100}},
        }))
        self.assertFalse(failed)
        self.assertEqual(result['cameras'][0]['errors'], [error])

    def test_a_selector_is_lensdeskctls_and_its_refusal_fails(self):
        failed, result, calls = run_module(camera_info.main, {'camera': 'Room 9'}, table({
            'get --camera Room 9': {'command': 'get', 'error': 'no camera matches "Room 9"', 'exitCode': 3}}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 3)
        self.assertEqual(result['msg'], 'no camera matches "Room 9"')
        refusal = 'camera #1 "camera on H:" (\\\\.\\H:) is stuck in ROM; bring it back with lensdeskctl recover PACKAGE'
        failed, result, _ = run_module(camera_info.main, {'camera': '1'}, table({
            'get --camera 1': {'command': 'get', 'error': refusal, 'exitCode': 1}}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 1)
        self.assertEqual(result['msg'], refusal)

    def test_camera_and_all_exclude_each_other(self):
        failed, result, calls = run_module(camera_info.main, {'camera': '1', 'all': True}, table({}))
        self.assertTrue(failed)
        self.assertEqual(result['msg'], 'parameters are mutually exclusive: camera|all')
        self.assertEqual(calls, [])

    def test_output_that_is_no_json_fails_with_the_programs_words(self):
        failed, result, _ = run_module(camera_info.main, {}, lambda args, data: (127, '', 'cannot execute'))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 127)
        self.assertEqual(result['msg'], 'lensdeskctl gave no JSON (exit code 127): cannot execute')
