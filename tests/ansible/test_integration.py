"""The example playbooks under ansible/examples against twelve simulated meeting rooms on
this machine: each room is a host on the local connection with a rig file of its own
(LENSDESK_RIG, its state carried from run to run by LENSDESK_RIG_SAVE), its own HOME (its
position presets and upgrade lock) and lensdeskctl's waits on the virtual clock. Every
effect is read back from the rooms' rig files (and presets from the rooms' settings).

Run with Debian's python3 and ansible-core: test_integration.py LENSDESKCTL
"""

import csv
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
EXAMPLES = os.path.join(SOURCE, 'ansible', 'examples')
COLLECTIONS = os.path.join(SOURCE, 'ansible')
CTL = None  # set from the command line

ROOMS = ['room%02d' % n for n in range(1, 13)]
OTHER_MODEL = 'room07'    # an LNS612-000, model 7: the firmware module skips it
CURRENT = 'room02'        # already on 1.0.23
VANISHES = 'room04'       # its camera leaves the bus mid-upgrade and never comes back
PRESET_FILE = 'room09'    # takes a preset file instead of the settings by name
TWO_CAMERAS = 'room10'    # two cameras of the package's model
NEARLY = 'room05'         # brightness 55 already

FIRMWARE_TASK = "Upgrade the cameras of the package's model, one at a time"
SETTINGS_TASK = 'Settings by name'
PRESET_TASK = "Settings from the room's preset file"
POSITIONS_TASK = 'Position presets'


def pattern(size, seed):
    x = (seed * 2654435761 + 1) & 0xffffffff
    out = bytearray(size)
    for i in range(size):
        x = (x * 1103515245 + 12345) & 0xffffffff
        out[i] = (x >> 16) & 0xff
    return bytes(out)


def make_package(path, model_name, version):
    """A firmware package as the camera's maker ships it: the update script, the flash
    script, the images, and the model's name inside miservice.ubifs."""
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('auto_update.txt',
                   'estar scripts/flash.txt\r\nsetenv fw_version %s\r\nsaveenv\r\nreset\r\n' % version)
        z.writestr('scripts/flash.txt', 'tftp 0x21000000 kernel\nnand write.e 0x21000000 kernel ${filesize}\n')
        z.writestr('kernel', pattern(60000, 3))
        z.writestr('miservice.ubifs', pattern(3000, 4) + model_name.encode() + pattern(100, 5))
        z.writestr('usb_updater.bin', pattern(5000, 6))
        z.writestr('u-boot.bin', pattern(30000, 7))


def brightness(value):
    return {'min': 0, 'max': 100, 'step': 1, 'default': 50, 'value': value, 'auto': False, 'autoCapable': False}


def room_rig(n, room):
    camera = {'key': 'cam1', 'instance': '7&%04d&0' % (1000 + n), 'serial': 'SN-%s' % room, 'firmware': '1.0.22'}
    if room == OTHER_MODEL:
        camera['friendlyName'] = 'LNS612-000 Cam'
    if room == CURRENT:
        camera['firmware'] = '1.0.23'
    if room == VANISHES:
        camera['faults'] = {'storage.vanishAfterBytes': 20000, 'storage.vanishReturnMs': -1}
    if room == NEARLY:
        camera['properties'] = {'brightness': brightness(55)}
    cameras = [camera]
    if room == TWO_CAMERAS:
        cameras.append({'key': 'cam2', 'instance': '7&%04d&0' % (2000 + n), 'serial': 'SN-%s-b' % room,
                        'firmware': '1.0.21', 'driveLetter': 'G'})
    return {'cameras': cameras}


class Rooms(unittest.TestCase):
    """One fleet, its runs in order (the methods' names keep it)."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix='lensdesk-ansible-')
        home = os.path.join(cls.work, 'home')
        os.makedirs(home)
        # An installed lensdeskctl: the default settings beside it list manufacturer 2, the
        # user's settings (and presets) then live in each room's HOME.
        prefix = os.path.join(cls.work, 'prefix')
        os.makedirs(os.path.join(prefix, 'bin'))
        os.makedirs(os.path.join(prefix, 'share', 'lensdesk'))
        binary = os.path.join(prefix, 'bin', 'lensdeskctl')
        try:
            os.link(CTL, binary)
        except OSError:
            shutil.copy2(CTL, binary)
        with open(os.path.join(prefix, 'share', 'lensdesk', 'product.ini'), 'w') as f:
            f.write('[product_model]\nmain=2\n')
        cls.ctl_path = os.path.join(prefix, 'bin') + os.pathsep + os.environ.get('PATH', '/usr/bin:/bin')

        cls.package = os.path.join(cls.work, 'firmware-1.0.23.zip')
        make_package(cls.package, 'Orvia Vista Pro', '1.0.23')
        preset = os.path.join(cls.work, 'room-9.json')
        with open(preset, 'w') as f:
            json.dump({'format': 'lensdesk-preset', 'version': 1,
                       'camera': {'name': 'Orvia Vista Pro Cam', 'model': 0, 'firmware': '1.0.22'},
                       'settings': {'zoom': 200, 'pan': -4, 'tilt': 3, 'hdr': 'off', 'brightness': 70,
                                    'focus-auto': 'on', 'focus': 400}}, f)

        hosts = {}
        cls.rig = {}
        cls.home = {}
        for n, room in enumerate(ROOMS, 1):
            folder = os.path.join(cls.work, 'rooms', room)
            os.makedirs(os.path.join(folder, 'home'))
            cls.rig[room] = os.path.join(folder, 'rig.json')
            cls.home[room] = os.path.join(folder, 'home')
            with open(cls.rig[room], 'w') as f:
                json.dump(room_rig(n, room), f)
            hosts[room] = {
                'ansible_connection': 'local',
                'ansible_python_interpreter': sys.executable,
                'lensdesk_package_dest': os.path.join(folder, 'firmware.zip'),
                'lensdesk_preset_dest': os.path.join(folder, 'room.json'),
                'lensdesk_environment': cls.environment(room),
            }
            if room == PRESET_FILE:
                hosts[room]['lensdesk_preset_file'] = preset
        cls.inventory = os.path.join(cls.work, 'inventory.json')
        with open(cls.inventory, 'w') as f:
            json.dump({'rooms': {'hosts': hosts}}, f, indent=1)

        cls.env = dict(os.environ)
        cls.env.update({
            'HOME': home,
            'ANSIBLE_CONFIG': os.path.join(EXAMPLES, 'ansible.cfg'),
            'ANSIBLE_COLLECTIONS_PATH': COLLECTIONS,
            'ANSIBLE_LOCAL_TEMP': os.path.join(cls.work, 'ansible-local'),
            'ANSIBLE_REMOTE_TEMP': os.path.join(cls.work, 'ansible-remote'),
            'ANSIBLE_STDOUT_CALLBACK': 'run_record',
            'ANSIBLE_CALLBACK_PLUGINS': os.path.join(os.path.dirname(os.path.abspath(__file__)), 'callback_plugins'),
            'ANSIBLE_FORKS': '5',
            'ANSIBLE_NOCOLOR': '1',
            'ANSIBLE_RETRY_FILES_ENABLED': 'false',
            'ANSIBLE_LOCALHOST_WARNING': 'false',
            'ANSIBLE_INVENTORY_UNPARSED_WARNING': 'false',
            'ANSIBLE_PYTHON_INTERPRETER': sys.executable,
        })
        cls.env.pop('ANSIBLE_INVENTORY', None)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def environment(cls, room):
        folder = os.path.join(cls.work, 'rooms', room)
        return {
            'LENSDESK_BACKEND': 'sim',
            'LENSDESK_SIM_VIRTUAL_CLOCK': '1',
            'LENSDESK_RIG': os.path.join(folder, 'rig.json'),
            'LENSDESK_RIG_SAVE': os.path.join(folder, 'rig.json'),
            'HOME': os.path.join(folder, 'home'),
            'PATH': cls.ctl_path,
        }

    # --- running and reading -------------------------------------------------------------

    def playbook(self, name, *extra):
        args = ['ansible-playbook', '-i', self.inventory, os.path.join(EXAMPLES, name),
                '-e', 'lensdesk_package_src=%s' % self.package,
                '-e', 'lensdesk_report_dir=%s' % os.path.join(self.work, 'reports')] + list(extra)
        run = subprocess.run(args, cwd=EXAMPLES, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             universal_newlines=True, timeout=600)
        try:
            out = json.loads(run.stdout)
        except ValueError:
            self.fail('%s gave no JSON (exit %d):\n%s\n%s' % (name, run.returncode, run.stdout[-3000:],
                                                              run.stderr[-3000:]))
        out['rc'] = run.returncode
        return out

    @staticmethod
    def results(out, task):
        """The task's result per host, over every play (each wave is one)."""
        found = {}
        for play in out['plays']:
            for t in play['tasks']:
                if t['task']['name'] == task:
                    found.update(t['hosts'])
        return found

    def cameras(self, room):
        with open(self.rig[room]) as f:
            return dict((c['key'], c) for c in json.load(f)['cameras'])

    def snapshot(self):
        """Every room's rig and its user settings (where the position presets live), byte for
        byte; lensdeskctl's lock and unpacked package are no state of the room."""
        files = {}
        for room in ROOMS:
            paths = [self.rig[room]]
            for base, _, names in os.walk(os.path.join(self.home[room], '.config')):
                paths += [os.path.join(base, name) for name in names]
            for path in paths:
                with open(path, 'rb') as f:
                    files[path] = f.read()
        return files

    def stored_presets(self, room, camera='1'):
        env = dict(os.environ, **self.environment(room))
        del env['LENSDESK_RIG_SAVE']  # reading leaves the rig as it is
        run = subprocess.run([os.path.join(self.work, 'prefix', 'bin', 'lensdeskctl'), 'preset', 'list',
                              '--camera', camera, '--json'], env=env, stdout=subprocess.PIPE, timeout=120)
        return json.loads(run.stdout.decode())['presets']

    # --- the runs --------------------------------------------------------------------------

    def test_1_report(self):
        out = self.playbook('camera-report.yml')
        self.assertEqual(out['rc'], 0)
        self.assertEqual(sorted(h for h in out['stats'] if h.startswith('room')), ROOMS)
        for room in ROOMS:
            self.assertEqual(out['stats'][room]['failures'], 0, room)
            self.assertEqual(out['stats'][room]['changed'], 0, room)
        with open(os.path.join(self.work, 'reports', 'cameras.csv')) as f:
            rows = list(csv.DictReader(f))
        self.assertEqual(len(rows), 13)
        by_room = dict((r['room'], r) for r in rows if r['index'] == '1')
        self.assertEqual(by_room['room01']['firmware'], '1.0.22')
        self.assertEqual(by_room['room01']['model'], '0')
        self.assertEqual(by_room['room01']['name'], 'Orvia Vista Pro Cam')
        self.assertEqual(by_room['room01']['state'], 'normal')
        self.assertEqual(by_room['room01']['serial'], 'SN-room01')
        self.assertEqual(by_room['room01']['path'], 'vid_3749&pid_030a&mi_00#7&1001&0&0000')
        self.assertEqual(by_room[CURRENT]['firmware'], '1.0.23')
        self.assertEqual(by_room[OTHER_MODEL]['model'], '7')
        self.assertEqual(by_room[OTHER_MODEL]['name'], 'LNS612-000 Cam')
        second = [r for r in rows if r['room'] == TWO_CAMERAS and r['index'] == '2']
        self.assertEqual(second[0]['firmware'], '1.0.21')
        with open(os.path.join(self.work, 'reports', 'cameras.html')) as f:
            html = f.read()
        self.assertIn('<td>room07</td><td>1</td><td>normal</td><td>7</td><td>LNS612-000 Cam</td><td>1.0.22</td>', html)
        self.assertIn('brightness=55', html)

    def test_2_check_mode_changes_nothing(self):
        before = self.snapshot()
        settings = self.playbook('camera-settings.yml', '--check', '--diff')
        self.assertEqual(settings['rc'], 0)
        firmware = self.playbook('firmware-upgrade.yml', '--check')
        self.assertEqual(firmware['rc'], 0)
        self.assertEqual(self.snapshot(), before)

        said = self.results(settings, SETTINGS_TASK)
        for room in ROOMS:
            if room != PRESET_FILE:
                self.assertTrue(said[room]['changed'], room)
        self.assertEqual(said['room01']['changed_settings'], ['anti-flicker', 'brightness', 'hdr', 'pan', 'zoom'])
        # Only what differs is named.
        self.assertEqual(said[NEARLY]['changed_settings'], ['anti-flicker', 'hdr', 'pan', 'zoom'])
        self.assertEqual(said['room01']['cameras'][0]['changes']['zoom'], {'before': 100, 'after': 150})
        preset = self.results(settings, PRESET_TASK)[PRESET_FILE]
        self.assertTrue(preset['changed'])
        self.assertEqual(sorted(preset['cameras'][0]['changes']),
                         ['brightness', 'focus-auto', 'pan', 'tilt', 'zoom'])
        self.assertEqual(preset['cameras'][0]['skipped'][0]['name'], 'focus')

        positions = self.results(settings, POSITIONS_TASK)['room01']
        self.assertTrue(positions['changed'])
        self.assertEqual(positions['cameras'][0]['stored'], ['1', '2'])
        self.assertEqual(self.stored_presets('room01'), {})

        plan = self.results(firmware, FIRMWARE_TASK)
        self.assertTrue(plan['room01']['changed'])
        self.assertEqual(plan['room01']['cameras'][0]['status'], 'planned')
        self.assertFalse(plan[CURRENT]['changed'])
        self.assertEqual(plan[CURRENT]['cameras'][0]['status'], 'current')
        self.assertTrue(plan[OTHER_MODEL].get('skipped'))
        self.assertEqual(len(plan[TWO_CAMERAS]['upgraded']), 2)

    def test_3_settings_everywhere(self):
        out = self.playbook('camera-settings.yml')
        self.assertEqual(out['rc'], 0)
        for room in ROOMS:
            self.assertEqual(out['stats'][room]['failures'], 0, room)
            self.assertGreater(out['stats'][room]['changed'], 0, room)
        for room in ROOMS:
            if room == PRESET_FILE:
                continue
            for cam in self.cameras(room).values():
                props = cam['properties']
                self.assertEqual(props['zoom']['value'], 150, room)
                self.assertEqual(props['pan']['value'], 5, room)
                self.assertEqual(props['brightness']['value'], 55, room)
                self.assertEqual(cam['features']['hdr'], 1, room)
                self.assertEqual(cam['features']['antiFlicker'], 2, room)  # 60 Hz
        cam = self.cameras(PRESET_FILE)['cam1']
        self.assertEqual(cam['properties']['zoom']['value'], 200)
        self.assertEqual(cam['properties']['pan']['value'], -4)
        self.assertEqual(cam['properties']['tilt']['value'], 3)
        self.assertEqual(cam['properties']['brightness']['value'], 70)
        self.assertEqual(cam['features']['hdr'], 0)
        self.assertTrue(cam['properties']['focus']['auto'])
        wanted = {'1': {'pan': 0, 'tilt': 0, 'zoom': 100}, '2': {'pan': 5, 'tilt': -2, 'zoom': 200}}
        self.assertEqual(self.stored_presets('room01'), wanted)
        self.assertEqual(self.stored_presets(TWO_CAMERAS, '2'), wanted)
        self.assertEqual(self.stored_presets(OTHER_MODEL), wanted)

    def test_4_settings_again_change_nothing(self):
        out = self.playbook('camera-settings.yml')
        self.assertEqual(out['rc'], 0)
        for room in ROOMS:
            self.assertEqual(out['stats'][room]['changed'], 0, room)
            self.assertEqual(out['stats'][room]['failures'], 0, room)

    def test_5_rolling_upgrade(self):
        out = self.playbook('firmware-upgrade.yml', '-e', 'lensdesk_wave_size=4',
                            '-e', 'lensdesk_max_fail_percentage=30')
        # One room of the first wave failed; the play went on with the two waves after it.
        self.assertEqual(out['rc'], 2)
        self.assertEqual(len(out['plays']), 3)
        self.assertEqual(out['stats'][VANISHES]['failures'], 1)
        failed = self.results(out, FIRMWARE_TASK)[VANISHES]
        self.assertTrue(failed['failed'])
        self.assertEqual(failed['rc'], 1)
        self.assertIn('Upgrade Failed!', failed['msg'])
        self.assertFalse(self.cameras(VANISHES)['cam1']['plugged'])

        for room in ROOMS:
            if room != VANISHES:
                self.assertEqual(out['stats'][room]['failures'], 0, room)
        results = self.results(out, FIRMWARE_TASK)
        for room in ROOMS:
            if room in (VANISHES, OTHER_MODEL):
                continue
            for key, cam in self.cameras(room).items():
                self.assertEqual(cam['firmware'], '1.0.23', room + ' ' + key)
                self.assertEqual(cam['mode'], 'normal', room + ' ' + key)
        self.assertEqual(len(results[TWO_CAMERAS]['upgraded']), 2)
        self.assertFalse(results[CURRENT]['changed'])
        self.assertTrue(results['room12']['changed'])
        # The camera of another model is skipped, not failed, and keeps its firmware.
        self.assertTrue(results[OTHER_MODEL]['skipped'])
        self.assertEqual(out['stats'][OTHER_MODEL]['skipped'], 2)
        self.assertEqual(self.cameras(OTHER_MODEL)['cam1']['firmware'], '1.0.22')

    def test_6_upgrade_again_changes_nothing(self):
        out = self.playbook('firmware-upgrade.yml', '--limit', '!' + VANISHES)
        self.assertEqual(out['rc'], 0)
        for room in ROOMS:
            if room == VANISHES:
                continue
            self.assertEqual(out['stats'][room]['changed'], 0, room)
            self.assertEqual(out['stats'][room]['failures'], 0, room)
        self.assertTrue(self.results(out, FIRMWARE_TASK)[OTHER_MODEL]['skipped'])


if __name__ == '__main__':
    CTL = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
