from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

import unittest

from ansible_collections.lensdesk.cameras.plugins.modules import camera_firmware
from lensdesk_fake import camera, listed, run_module, table

PKG = '/var/tmp/fw.zip'
PACKAGE = {'file': PKG, 'model': 0, 'modelName': 'Orvia Vista Pro Cam', 'version': '1.0.23'}
CAM1 = camera()
CAM2 = camera(index=2, path='vid_3749&pid_030a&mi_00#7&2222&0&0000')
OTHER = camera(index=1, path='vid_3749&pid_030a&mi_00#7&3333&0&0000', name='LNS612-000 Cam', model=7)


def info():
    return {'command': 'package-info', 'package': PACKAGE, 'exitCode': 0}


def row(cam, status, message='', detail=None, after=None):
    return {'camera': cam, 'status': status, 'message': message, 'detail': detail, 'packageModel': 0,
            'packageVersion': '1.0.23', 'modelChecked': True, 'warning': None, 'firmwareBefore': cam['firmware'],
            'firmwareAfter': after, 'stateAfter': None, 'pathAfter': None}


def upgrade(rows, code=0, dry=False):
    return {'command': 'upgrade', 'dryRun': dry, 'package': PACKAGE, 'results': rows, 'exitCode': code}


class Firmware(unittest.TestCase):

    def test_a_package_of_another_version_touches_no_camera(self):
        failed, result, calls = run_module(camera_firmware.main, {'package': PKG, 'version': '1.0.24', 'all': True},
                                           table({'package-info ' + PKG: info()}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 2)
        self.assertEqual(result['msg'], '/var/tmp/fw.zip brings firmware 1.0.23, not 1.0.24; no camera was touched')
        self.assertEqual(len(calls), 1)

    def test_a_package_lensdeskctl_refuses_fails_with_its_words(self):
        failed, result, _ = run_module(camera_firmware.main, {'package': PKG}, table({
            'package-info ' + PKG: {'command': 'package-info', 'error': '/var/tmp/fw.zip is not a zip archive',
                                    'exitCode': 2}}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 2)
        self.assertEqual(result['msg'], '/var/tmp/fw.zip is not a zip archive')

    def test_only_cameras_on_another_version_are_upgraded_one_at_a_time(self):
        current = dict(CAM2, firmware='1.0.23')
        failed, result, calls = run_module(camera_firmware.main, {'package': PKG, 'version': '1.0.23', 'all': True},
                                           table({
            'package-info ' + PKG: info(),
            'upgrade %s --dry-run --all' % PKG: upgrade([row(CAM1, 'planned'), row(current, 'skipped'),
                                                         row(OTHER, 'refused', detail='package model 0, camera model 7')],
                                                        code=1, dry=True),
            'upgrade %s --camera path:%s' % (PKG, CAM1['path']): upgrade([row(CAM1, 'done', after='1.0.23')])}))
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        self.assertEqual(result['upgraded'], [CAM1['path']])
        self.assertEqual([e['status'] for e in result['cameras']], ['done', 'current', 'other-model'])
        self.assertEqual(result['cameras'][0]['firmware_after'], '1.0.23')
        self.assertEqual(len([c for c in calls if c[0][0] == 'upgrade' and '--dry-run' not in c[0]]), 1)

    def test_a_host_with_only_another_model_is_skipped_not_failed(self):
        failed, result, _ = run_module(camera_firmware.main, {'package': PKG, 'all': True}, table({
            'package-info ' + PKG: info(),
            'upgrade %s --dry-run --all' % PKG: upgrade([row(OTHER, 'refused')], code=1, dry=True)}))
        self.assertFalse(failed)
        self.assertTrue(result['skipped'])
        self.assertFalse(result['changed'])
        self.assertEqual(result['msg'], "no camera of model 0 (the package's) on this host")

    def test_a_failure_fails_the_host_and_leaves_the_next_camera_alone(self):
        failed, result, calls = run_module(camera_firmware.main, {'package': PKG, 'all': True}, table({
            'package-info ' + PKG: info(),
            'upgrade %s --dry-run --all' % PKG: upgrade([row(CAM1, 'planned'), row(CAM2, 'planned')], dry=True),
            'upgrade %s --camera path:%s' % (PKG, CAM1['path']): upgrade(
                [row(CAM1, 'failed', 'Upgrade Failed! please try to unplug and plug the USB cable for upgrade again.',
                     'Upgrade failed.')], code=1)}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 1)
        self.assertEqual(result['msg'], 'camera #1 "Orvia Vista Pro Cam" (vid_3749&pid_030a&mi_00#7&1111&0&0000): '
                         'Upgrade Failed! please try to unplug and plug the USB cable for upgrade again. '
                         '(Upgrade failed.)')
        self.assertEqual([e['status'] for e in result['cameras']], ['failed', 'not-attempted'])
        self.assertFalse(result['changed'])
        self.assertFalse(any(c[0][:4] == ['upgrade', PKG, '--camera', 'path:' + CAM2['path']] for c in calls))

    def test_check_mode_sends_nothing(self):
        failed, result, calls = run_module(camera_firmware.main, {'package': PKG, 'camera': 'Room'}, table({
            'package-info ' + PKG: info(),
            'upgrade %s --dry-run --camera Room' % PKG: upgrade([row(CAM1, 'planned')], dry=True)}),
            check_mode=True)
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        self.assertEqual(result['upgraded'], [CAM1['path']])
        self.assertEqual(result['cameras'][0]['status'], 'planned')
        self.assertTrue(all('--dry-run' in c[0] for c in calls if c[0][0] == 'upgrade'))

    def test_stuck_cameras_are_recovered_before_the_upgrade(self):
        stuck = camera(index=2, path='\\\\.\\G:', name='camera on G:', firmware=None, state='uboot')
        back = dict(stuck, state='normal')
        failed, result, calls = run_module(camera_firmware.main, {'package': PKG, 'all': True, 'recover': True},
                                           table({
            'package-info ' + PKG: info(),
            'list': listed(dict(CAM1, firmware='1.0.23'), stuck),
            'recover ' + PKG: {'command': 'recover', 'dryRun': False, 'package': PACKAGE, 'exitCode': 0,
                               'results': [row(back, 'done', after='1.0.23')]},
            'upgrade %s --dry-run --all' % PKG: upgrade([row(dict(CAM1, firmware='1.0.23'), 'skipped'),
                                                         row(dict(CAM2, firmware='1.0.23'), 'skipped')], dry=True)}))
        self.assertFalse(failed)
        self.assertTrue(result['changed'])
        self.assertEqual(len(result['recovered']), 1)
        self.assertEqual([c[0][0] for c in calls], ['package-info', 'list', 'recover', 'upgrade'])

    def test_a_stuck_camera_without_recover_fails_with_lensdeskctls_words(self):
        refusal = 'camera #2 "camera on G:" (\\\\.\\G:) is stuck in the boot loader; recover it first with lensdeskctl recover PACKAGE'
        failed, result, _ = run_module(camera_firmware.main, {'package': PKG, 'all': True}, table({
            'package-info ' + PKG: info(),
            'upgrade %s --dry-run --all' % PKG: {'command': 'upgrade', 'error': refusal, 'exitCode': 1}}))
        self.assertTrue(failed)
        self.assertEqual(result['rc'], 1)
        self.assertEqual(result['msg'], refusal)
