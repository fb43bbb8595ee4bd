from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

import json
import os
import shutil
import tempfile
import unittest

from ansible_collections.lensdesk.cameras.plugins.modules import camera_settings
from lensdesk_fake import camera, listed, run_module, table

SEL = 'path:vid_3749&pid_030a&mi_00#7&1111&0&0000'


def got(settings, code=0, errors=None):
    return {'command': 'get', 'camera': camera(), 'settings': settings, 'errors': errors or [], 'exitCode': code}


def row(name, value, status='done', reason=None, message=None):
    return {'name': name, 'status': status, 'reason': reason, 'value': value, 'message': message}


class Arguments(unittest.TestCase):

    def test_settings_or_a_preset_never_both_nor_neither(self):
        failed, result, calls = run_module(camera_settings.main, {'settings': {'zoom': 1}, 'preset': '/x'}, table({}))
        self.assertTrue(failed)
        self.assertEqual(result['msg'], 'parameters are mutually exclusive: settings|preset')
        failed, result, calls = run_module(camera_settings.main, {'all': True}, table({}))
        self.assertTrue(failed)
        self.assertEqual(result['msg'], 'one of the following is required: settings, preset')
        self.assertEqual(calls, [])

    def test_a_value_must_be_a_number_or_a_word(self):
        failed, result, calls = run_module(camera_settings.main, {'settings': {'zoom': [1, 2]}}, table({}))
        self.assertTrue(failed)
        self.assertEqual(result['msg'], 'settings: zoom needs a number or a word, not [1, 2]')
        self.assertEqual(calls, [])


class BySettings(unittest.TestCase):

    def test_values_held_already_change_nothing_and_write_nothing(self):
        failed, result, calls = run_module(camera_settings.main, {'all': True, 'settings': {'hdr': True, 'zoom': 150.0,
                                                                                            'anti-flicker': '60HZ'}},
                                           table({'list': listed(camera()),
                                                  'get --camera %s anti-flicker hdr zoom' % SEL:
                                                      got({'zoom': 150, 'hdr': 'on', 'anti-flicker': '60hz'})}))
        self.assertFalse(failed)
        self.assertFalse(result['changed'])
        self.assertEqual(result['changed_settings'], [])
        self.assertEqual([c[0][0] for c in calls], ['list', 'get'])

    def test_only_what_differs_is_set_and_reported(self):
        failed, result, calls = run_module(
            camera_settings.main, {'all': True, 'settings': {'hdr': True, 'zoom': 250, 'brightness': 50}},
            table({'list': listed(camera()),
                   'get --camera %s brightness hdr zoom' % SEL: got({'zoom': 100, 'hdr': 'off', 'brightness': 50}),
                   'set --camera %s hdr=on zoom=250' % SEL: {'command': 'set', 'camera': camera(), 'exitCode': 0,
                                                            'results': [row('zoom', 250), row('hdr', 'on')]}}))
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        self.assertEqual(result['changed_settings'], ['hdr', 'zoom'])
        self.assertEqual(result['cameras'][0]['changes'], {'hdr': {'before': 'off', 'after': 'on'},
                                                           'zoom': {'before': 100, 'after': 250}})
        self.assertEqual(result['diff'][0]['before'], {'hdr': 'off', 'zoom': 100})
        self.assertEqual(result['diff'][0]['after'], {'hdr': 'on', 'zoom': 250})

    def test_check_mode_says_what_would_change_and_sets_nothing(self):
        failed, result, calls = run_module(
            camera_settings.main, {'settings': {'zoom': 250}},
            table({'get': got({'zoom': 100}), 'get --camera %s zoom' % SEL: got({'zoom': 100})}), check_mode=True)
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        self.assertEqual(result['cameras'][0]['changes'], {'zoom': {'before': 100, 'after': 250}})
        self.assertNotIn('set', [c[0][0] for c in calls])

    def test_a_refused_value_fails_with_lensdeskctls_words_and_keeps_what_was_done(self):
        refused = 'brightness: 500 is outside what this camera takes (0..100)'
        failed, result, _ = run_module(
            camera_settings.main, {'settings': {'zoom': 250, 'brightness': 500}},
            table({'get': got({'zoom': 100}),
                   'get --camera %s brightness zoom' % SEL: got({'zoom': 100, 'brightness': 50}),
                   'set --camera %s brightness=500 zoom=250' % SEL: {
                       'command': 'set', 'camera': camera(), 'exitCode': 1,
                       'results': [row('zoom', 250), row('brightness', None, 'refused', 'out-of-range', refused)]}}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 1)
        self.assertEqual(result['msg'], 'camera #1 "Orvia Vista Pro Cam" (vid_3749&pid_030a&mi_00#7&1111&0&0000): '
                         + refused)
        self.assertTrue(result['changed'])
        self.assertEqual(result['cameras'][0]['changes'], {'zoom': {'before': 100, 'after': 250}})

    def test_an_unknown_name_is_bad_usage_and_a_missing_one_a_refusal(self):
        unknown = 'unknown setting "nosuch"; the settings are: zoom, pan'
        failed, result, _ = run_module(
            camera_settings.main, {'settings': {'nosuch': 1}},
            table({'get': got({}), 'get --camera %s nosuch' % SEL: {'command': 'get', 'error': unknown,
                                                                   'exitCode': 2}}), check_mode=True)
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 2)
        self.assertIn(unknown, result['msg'])
        missing = {'name': 'field-of-view', 'reason': 'missing', 'message': 'field-of-view: camera #1 has no field-of-view'}
        failed, result, _ = run_module(
            camera_settings.main, {'settings': {'field-of-view': 78}},
            table({'get': got({}), 'get --camera %s field-of-view' % SEL: got({}, 1, [missing])}), check_mode=True)
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 1)
        self.assertIn('field-of-view: camera #1 has no field-of-view', result['msg'])


class ByPreset(unittest.TestCase):

    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.file = os.path.join(self.dir, 'room.json')
        with open(self.file, 'w') as f:
            json.dump({'format': 'lensdesk-preset', 'version': 1,
                       'settings': {'zoom': 200, 'focus-auto': 'on', 'focus': 300, 'hdr': 'on', 'mirror': 'on'}}, f)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_check_mode_leaves_out_what_apply_leaves_out(self):
        failed, result, calls = run_module(
            camera_settings.main, {'preset': self.file},
            table({'get': got({}),
                   'get --camera ' + SEL: got({'zoom': 100, 'focus-auto': 'on', 'focus': 255, 'hdr': 'on'})}),
            check_mode=True)
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        entry = result['cameras'][0]
        self.assertEqual(entry['changes'], {'zoom': {'before': 100, 'after': 200}})
        self.assertEqual(entry['skipped'], [
            {'name': 'focus', 'message': "focus: not applied, the preset's focus is automatic"},
            {'name': 'mirror', 'message': 'mirror: camera #1 "Orvia Vista Pro Cam" '
                                          '(vid_3749&pid_030a&mi_00#7&1111&0&0000) has no mirror'}])
        self.assertNotIn('apply', [c[0][0] for c in calls])

    def test_apply_and_the_camera_afterwards_tell_what_changed(self):
        reads = [got({'zoom': 100, 'hdr': 'on'}), got({'zoom': 200, 'hdr': 'on'})]
        failed, result, calls = run_module(
            camera_settings.main, {'preset': self.file, 'camera': '1'},
            table({'get --camera 1': got({}),
                   'get --camera ' + SEL: lambda data: reads.pop(0),
                   'apply --camera %s %s' % (SEL, self.file): {
                       'command': 'apply', 'camera': camera(), 'file': self.file, 'exitCode': 0, 'presets': {},
                       'results': [row('zoom', 200), row('hdr', 'on')],
                       'skipped': [{'name': 'focus', 'message': 'focus: not applied'}]}}))
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        self.assertEqual(result['changed_settings'], ['zoom'])
        self.assertEqual(result['cameras'][0]['skipped'], [{'name': 'focus', 'message': 'focus: not applied'}])

    def test_a_missing_file_fails_before_any_camera_is_asked(self):
        failed, result, calls = run_module(camera_settings.main, {'preset': self.file + '.none'}, table({}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 2)
        self.assertEqual(result['msg'], 'cannot read %s.none: no such file' % self.file)
        self.assertEqual(calls, [])
