#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

DOCUMENTATION = r'''
---
module: camera_firmware
short_description: Bring lensdesk cameras to the firmware of a package
description:
  - Upgrades the cameras of the managed host that are of the package's model and run another firmware version
    than the one the package brings, one camera at a time, with C(lensdeskctl upgrade --json).
  - The package's model and version come from C(lensdeskctl package-info --json); which cameras need the upgrade
    from C(lensdeskctl upgrade --dry-run --json). A camera that runs the package's version already is left
    alone; a camera of another model is skipped, not failed, and a host with no camera of the package's model
    at all reports the task as skipped.
  - A camera the upgrade fails on (it vanished, it did not come back) fails the task on this host with
    lensdeskctl's message and exit code; the cameras after it on the same host are not touched. Other hosts go
    on, within the play's C(max_fail_percentage).
  - With I(recover=true), cameras stuck in a boot state (ROM, updater, boot loader) are first brought back with
    the same package (C(lensdeskctl recover --json)); without it, such a camera makes lensdeskctl refuse the
    upgrade and the task fails.
version_added: "1.0.0"
author: lensdesk developers
extends_documentation_fragment:
  - lensdesk.cameras.lensdeskctl
options:
  package:
    description:
      - The firmware package (a C(.zip)) on the managed host; copy it there first.
    type: path
    required: true
  version:
    description:
      - The firmware version the package brings. When given, a package that brings another version fails the
        task before any camera is touched (a guard against the wrong file).
    type: str
  recover:
    description:
      - First bring back cameras stuck in a boot state with this package.
      - A stuck camera whose boot state names another model is refused by lensdeskctl and fails the task.
    type: bool
    default: false
notes:
  - Supports check mode, which prepares the package, says which cameras would be upgraded or recovered and sends
    nothing to any camera.
  - lensdeskctl refuses an upgrade while another lensdesk or lensdeskctl upgrades on the same host
    (C(~/.lensdesk/upgrade.lock)); the task then fails with exit code 1.
  - Run a fleet in waves with the play's C(serial) and C(max_fail_percentage).
'''

EXAMPLES = r'''
- name: Stage the package
  ansible.builtin.copy:
    src: firmware-1.0.23.zip
    dest: /var/tmp/lensdesk-firmware.zip
    mode: "0644"

- name: Every camera of the room on 1.0.23
  lensdesk.cameras.camera_firmware:
    package: /var/tmp/lensdesk-firmware.zip
    version: 1.0.23
    all: true
    recover: true
'''

RETURN = r'''
package:
  description: The package, as C(lensdeskctl package-info --json) gives it.
  returned: always
  type: dict
  sample: {"file": "/var/tmp/lensdesk-firmware.zip", "model": 0, "modelName": "Orvia Vista Pro Cam",
           "version": "1.0.23"}
cameras:
  description: One entry per camera lensdeskctl considered, in its order.
  returned: always
  type: list
  elements: dict
  contains:
    camera:
      description: The camera, as C(lensdeskctl list --json) gives it (before the upgrade).
      type: dict
    status:
      description:
        - C(done) upgraded; C(failed); C(planned) would be upgraded (check mode); C(current) runs the package's
          version already; C(other-model) is of another model than the package; C(not-attempted) left alone after
          a failure on another camera of the host.
      type: str
    firmware_before:
      description: The version before.
      type: str
    firmware_after:
      description: The version after (null unless done).
      type: str
    message:
      description: lensdeskctl's notice for the camera.
      type: str
    detail:
      description: The worker's or camera's words (C(package model 0, camera model 7)).
      type: str
    state_after:
      description: The boot state a failed upgrade left the camera in, if any.
      type: str
recovered:
  description: The cameras brought back from a boot state (would be, in check mode), as lensdeskctl's rows.
  returned: always
  type: list
  elements: dict
upgraded:
  description: The device paths of the cameras upgraded (would be, in check mode).
  returned: always
  type: list
  elements: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.lensdesk.cameras.plugins.module_utils.lensdeskctl import (
    COMMON_ARGS, FAILED, NO_CAMERA, Lensdeskctl, LensdeskctlError, camera_text, error_message, selector_for)

# lensdeskctl's row status, as this module names it.
STATUS = {'planned': 'planned', 'skipped': 'current', 'refused': 'other-model', 'done': 'done', 'failed': 'failed'}


def entry_of(row, status=None):
    return dict(camera=row.get('camera'), status=status or STATUS.get(row.get('status'), row.get('status')),
                firmware_before=row.get('firmwareBefore'), firmware_after=row.get('firmwareAfter'),
                message=row.get('message'), detail=row.get('detail'), state_after=row.get('stateAfter'))


def recover(module, ctl, package):
    """Brings back the cameras stuck in a boot state; their rows."""
    stuck = [c for c in ctl.cameras() if c.get('state') != 'normal']
    if not stuck:
        return []
    args = ['recover', package] + (['--dry-run'] if module.check_mode else [])
    result = ctl.run(args, allowed=(0, FAILED, NO_CAMERA))
    rows = result.get('results') or []
    bad = [r for r in rows if r.get('status') in ('failed', 'refused')]
    if bad or 'error' in result:
        raise LensdeskctlError(error_message(result, 'recovery failed'), rc=result.get('exitCode'), result=result)
    return rows


def main():
    module = AnsibleModule(
        argument_spec=dict(COMMON_ARGS, package=dict(type='path', required=True), version=dict(type='str'),
                           recover=dict(type='bool', default=False)),
        mutually_exclusive=[('camera', 'all')],
        supports_check_mode=True,
    )
    package_file = module.params['package']
    ctl = Lensdeskctl(module)
    entries, recovered, upgraded = [], [], []
    package = None
    try:
        package = ctl.run(['package-info', package_file])['package']
        wanted = module.params['version']
        if wanted is not None and package.get('version') != wanted:
            module.fail_json(msg='%s brings firmware %s, not %s; no camera was touched'
                             % (package_file, package.get('version') or 'of no stated version', wanted),
                             rc=2, package=package)
        if module.params['recover']:
            recovered = recover(module, ctl, package_file)
        if recovered and module.check_mode:
            # Until they are back, lensdeskctl plans no upgrade on this host.
            module.exit_json(changed=True, package=package, cameras=[], recovered=recovered, upgraded=[],
                             msg='%d camera(s) would be recovered first' % len(recovered))

        args = ['upgrade', package_file, '--dry-run']
        if module.params['all']:
            args.append('--all')
        elif module.params['camera']:
            args += ['--camera', module.params['camera']]
        # A camera of another model makes the plan exit code 1; it is only skipped here.
        plan = ctl.run(args, allowed=(0, FAILED, NO_CAMERA) if module.params['all'] else (0, FAILED))
        if 'results' not in plan:
            if plan.get('exitCode') == NO_CAMERA:
                module.warn('no supported camera is plugged in')
                module.exit_json(changed=bool(recovered), package=package, cameras=[], recovered=recovered,
                                 upgraded=[])
            raise LensdeskctlError(error_message(plan, 'upgrade refused'), rc=plan.get('exitCode'), result=plan)
        rows = plan['results']
        entries = [entry_of(r) for r in rows]
        todo = [i for i, r in enumerate(rows) if r.get('status') == 'planned']
        if module.check_mode:
            upgraded = [rows[i]['camera']['path'] for i in todo]
        else:
            # One camera at a time; the first failure ends the host's work.
            for position, i in enumerate(todo):
                camera = rows[i]['camera']
                result = ctl.run(['upgrade', package_file, '--camera', selector_for(camera)], allowed=(0, FAILED))
                row = (result.get('results') or [None])[0]
                if row is not None:
                    entries[i] = entry_of(row)
                if row is not None and row.get('status') == 'done':
                    upgraded.append(camera['path'])
                    continue
                if row is not None and row.get('status') == 'skipped':
                    continue
                for j in todo[position + 1:]:
                    entries[j]['status'] = 'not-attempted'
                raise LensdeskctlError('camera %s: %s' % (camera_text(camera), error_message(result, 'upgrade failed')),
                                       rc=result.get('exitCode') or FAILED, result=result)
    except LensdeskctlError as e:
        e.fail(module, changed=bool(upgraded or (recovered and not module.check_mode)), package=package,
               cameras=entries, recovered=recovered, upgraded=upgraded)

    changed = bool(upgraded or recovered)
    if entries and all(e['status'] == 'other-model' for e in entries) and not recovered:
        module.exit_json(changed=False, skipped=True, package=package, cameras=entries, recovered=[], upgraded=[],
                         msg='no camera of model %s (the package\'s) on this host' % package.get('model'))
    module.exit_json(changed=changed, package=package, cameras=entries, recovered=recovered, upgraded=upgraded)


if __name__ == '__main__':
    main()
