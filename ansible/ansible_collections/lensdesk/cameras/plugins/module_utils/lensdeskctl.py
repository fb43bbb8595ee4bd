# -*- coding: utf-8 -*-
# Running lensdeskctl --json on the managed host, shared by every module of the collection:
# finding the program, reading its one JSON object, turning its exit codes into failures
# and choosing the cameras a task works on.

from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

import json

# lensdeskctl's exit codes.
DONE = 0
FAILED = 1
BAD_USAGE = 2
NO_CAMERA = 3

# Options every module takes; the modules add their own. Without camera and all, the one
# camera plugged in is meant, as lensdeskctl takes it without --camera.
COMMON_ARGS = dict(
    camera=dict(type='str'),
    all=dict(type='bool', default=False),
    executable=dict(type='str', default='lensdeskctl'),
)


class LensdeskctlError(Exception):
    """lensdeskctl could not be run, or did not answer with its JSON object."""

    def __init__(self, msg, rc=None, result=None, stderr=None, cmd=None):
        super(LensdeskctlError, self).__init__(msg)
        self.msg = msg
        self.rc = rc
        self.result = result
        self.stderr = stderr
        self.cmd = cmd

    def fail(self, module, **extra):
        """Ends the module with lensdeskctl's message and exit code."""
        info = dict(extra)
        if self.rc is not None:
            info['rc'] = self.rc
        if self.result is not None:
            info['lensdeskctl'] = self.result
        if self.stderr:
            info['stderr'] = self.stderr
        if self.cmd:
            info['cmd'] = self.cmd
        module.fail_json(msg=self.msg, **info)


def selector_for(camera):
    """The --camera selector that picks exactly this listed camera in a later run: its
    device path (indexes can move when another camera leaves or comes back)."""
    return 'path:' + camera['path']


def value_text(value):
    """A setting's value as lensdeskctl writes it on the command line: booleans (YAML's
    on/off/yes/no) become on/off, whole floats whole numbers."""
    if isinstance(value, bool):
        return 'on' if value else 'off'
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


def same_value(a, b):
    """Whether two values are the same setting value; words compare in either case."""
    return value_text(a).lower() == value_text(b).lower()


def camera_text(camera):
    """The camera as the modules name it in messages."""
    if camera is None:
        return 'the camera'
    return '#%s "%s" (%s)' % (camera.get('index'), camera.get('name'), camera.get('path'))


def error_message(result, fallback):
    """The words a failed run gives: its error, or the messages of its refused rows."""
    if not isinstance(result, dict):
        return fallback
    if result.get('error'):
        return result['error']
    words = []
    for row in result.get('results') or []:
        if row.get('status') not in ('done', 'skipped', 'planned') and row.get('message'):
            text = row['message']
            if row.get('detail'):
                text += ' (' + row['detail'] + ')'
            words.append(text)
    for err in result.get('errors') or []:
        if err.get('message'):
            words.append(err['message'])
    if result.get('message'):
        words.append(result['message'])
    return '; '.join(words) if words else fallback


class Lensdeskctl(object):
    """lensdeskctl on the managed host, in the environment the play gives the task."""

    def __init__(self, module, executable=None):
        self.module = module
        name = executable or module.params.get('executable') or 'lensdeskctl'
        if '/' in name:
            self.path = name
        else:
            self.path = module.get_bin_path(name, required=False)
            if not self.path:
                module.fail_json(msg='%s was not found on the PATH of the managed host; install lensdesk or '
                                     'name the program with executable' % name)

    def run(self, args, data=None, allowed=(DONE,)):
        """Runs lensdeskctl ARGS --json and returns its JSON object; an exit code outside
        allowed raises LensdeskctlError with lensdeskctl's own message and code."""
        cmd = [self.path] + list(args) + ['--json']
        rc, out, err = self.module.run_command(cmd, data=data, binary_data=data is not None, check_rc=False)
        try:
            result = json.loads(out) if out and out.strip() else None
        except ValueError:
            result = None
        if not isinstance(result, dict):
            raise LensdeskctlError('lensdeskctl gave no JSON (exit code %s): %s' % (rc, (err or out or '').strip()),
                                   rc=rc, stderr=err, cmd=cmd)
        code = result.get('exitCode', rc)
        if code not in allowed:
            raise LensdeskctlError(error_message(result, 'lensdeskctl ended with exit code %s' % code),
                                   rc=code, result=result, stderr=err, cmd=cmd)
        return result

    def cameras(self):
        """Every supported camera plugged in, as list gives them; none is no failure here."""
        return self.run(['list'], allowed=(DONE, NO_CAMERA)).get('cameras') or []

    def targets(self, camera=None, all_cameras=False, normal_only=True):
        """The cameras a task works on: every one (all), or the one the selector picks, which
        lensdeskctl itself chooses (get resolves it and refuses one stuck in a boot state)."""
        if all_cameras:
            found = self.cameras()
            return [c for c in found if c.get('state') == 'normal'] if normal_only else found
        args = ['get']
        if camera:
            args += ['--camera', camera]
        # An unknown selector is exit code 3, several matches 2, a stuck camera 1: each fails.
        result = self.run(args, allowed=(DONE, FAILED))
        if 'camera' not in result:
            raise LensdeskctlError(error_message(result, 'no camera'), rc=result.get('exitCode'), result=result)
        return [result['camera']]

    def settings(self, camera, names=None):
        """The camera's settings (all it has, or those named): the get result."""
        return self.run(['get', '--camera', selector_for(camera)] + list(names or []))

    def presets(self, camera):
        """The camera's stored position presets, {"1": {"pan", "tilt", "zoom"[, "focus"]}}."""
        return self.run(['preset', 'list', '--camera', selector_for(camera)]).get('presets') or {}

