from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

import json
import unittest

from ansible_collections.lensdesk.cameras.plugins.modules import camera_presets
from lensdesk_fake import camera, listed, run_module, table

SEL = 'path:vid_3749&pid_030a&mi_00#7&1111&0&0000'
HOME = {'pan': 0, 'tilt': 0, 'zoom': 100}
DESK = {'pan': 4, 'tilt': -3, 'zoom': 250}


def stored(presets):
    return {'command': 'preset', 'camera': camera(), 'presets': presets, 'exitCode': 0}


def applied(data):
    return {'command': 'apply', 'camera': camera(), 'file': None, 'results': [], 'skipped': [],
            'presets': json.loads(data)['presets'], 'exitCode': 0}


class Arguments(unittest.TestCase):

    def test_numbers_are_one_to_nine_and_a_position_is_whole_numbers(self):
        for presets, msg in [({10: HOME}, 'presets: 10 is no preset number (1 to 9)'),
                             ({1: {'pan': 0, 'tilt': 0}}, 'presets: 1 needs zoom'),
                             ({1: dict(HOME, roll=2)}, 'presets: 1: unknown roll (a preset keeps pan, tilt, zoom and focus)'),
                             ({1: dict(HOME, zoom='wide')}, 'presets: 1: zoom must be a whole number, not "wide"')]:
            failed, result, calls = run_module(camera_presets.main, {'presets': presets}, table({}))
            self.assertTrue(failed)
            self.assertEqual(result['msg'], msg)
            self.assertEqual(calls, [])
        failed, result, _ = run_module(camera_presets.main, {'presets': {1: HOME}, 'absent': [1]}, table({}))
        self.assertEqual(result['msg'], 'preset 1 is both wanted and absent')
        failed, result, _ = run_module(camera_presets.main, {}, table({}))
        self.assertEqual(result['msg'], 'one of the following is required: presets, absent, exclusive, recall')


class DesiredState(unittest.TestCase):

    def test_only_the_presets_that_differ_are_stored_and_the_others_cleared(self):
        failed, result, calls = run_module(
            camera_presets.main, {'all': True, 'presets': {'1': HOME, 2: DESK}, 'exclusive': True},
            table({'list': listed(camera()),
                   'preset list --camera ' + SEL: stored({'1': HOME, '2': {'pan': 0, 'tilt': 0, 'zoom': 250},
                                                          '5': HOME}),
                   'apply --camera %s -' % SEL: applied,
                   'preset clear 5 --camera ' + SEL: {'command': 'preset', 'camera': camera(), 'number': 5,
                                                      'status': 'done', 'cleared': True, 'exitCode': 0}}))
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        sent = [c for c in calls if c[0][0] == 'apply'][0][1]
        self.assertEqual(json.loads(sent), {'format': 'lensdesk-preset', 'version': 1, 'settings': {},
                                            'presets': {'2': DESK}})
        self.assertEqual(result['cameras'][0]['stored'], ['2'])
        self.assertEqual(result['cameras'][0]['cleared'], ['5'])
        self.assertEqual(result['cameras'][0]['presets'], {'1': HOME, '2': DESK})

    def test_presets_held_already_change_nothing(self):
        failed, result, calls = run_module(
            camera_presets.main, {'presets': {1: HOME}, 'absent': [3]},
            table({'get': {'command': 'get', 'camera': camera(), 'settings': {}, 'errors': [], 'exitCode': 0},
                   'preset list --camera ' + SEL: stored({'1': HOME})}))
        self.assertFalse(failed)
        self.assertFalse(result['changed'])
        self.assertEqual([c[0][0] for c in calls], ['get', 'preset'])

    def test_check_mode_writes_nothing(self):
        failed, result, calls = run_module(
            camera_presets.main, {'all': True, 'presets': {1: DESK}, 'recall': 1},
            table({'list': listed(camera()), 'preset list --camera ' + SEL: stored({}),
                   'get --camera %s pan tilt zoom' % SEL: {'command': 'get', 'camera': camera(), 'errors': [],
                                                          'settings': HOME, 'exitCode': 0}}), check_mode=True)
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        self.assertTrue(result['cameras'][0]['recalled'])
        self.assertEqual([c[0][0] for c in calls], ['list', 'preset', 'get'])

    def test_a_camera_that_looks_there_already_is_not_moved(self):
        failed, result, calls = run_module(
            camera_presets.main, {'all': True, 'recall': 2},
            table({'list': listed(camera()), 'preset list --camera ' + SEL: stored({'2': DESK}),
                   'get --camera %s pan tilt zoom' % SEL: {'command': 'get', 'camera': camera(), 'errors': [],
                                                          'settings': DESK, 'exitCode': 0}}))
        self.assertFalse(failed)
        self.assertFalse(result['changed'])

    def test_a_camera_without_motion_fails_with_lensdeskctls_words(self):
        why = 'presets: camera #1 "Orvia Vista Pro Cam" (x) (model 12) has no pan, tilt or zoom'
        failed, result, _ = run_module(
            camera_presets.main, {'all': True, 'presets': {1: HOME}},
            table({'list': listed(camera()), 'preset list --camera ' + SEL: stored({}),
                   'apply --camera %s -' % SEL: {'command': 'apply', 'camera': camera(), 'file': None,
                                                 'results': [], 'presets': {}, 'exitCode': 0,
                                                 'skipped': [{'name': 'presets', 'message': why}]}}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 1)
        self.assertEqual(result['msg'], why)
