#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

DOCUMENTATION = r'''
---
module: camera_settings
short_description: Keep lensdesk cameras on the settings wanted
description:
  - Brings the settings of one camera or of every camera of the managed host to the values wanted, given by
    name (I(settings)) or as a preset file (I(preset)) in the format C(lensdeskctl save) writes.
  - Reads the camera's values first (C(lensdeskctl get --json)) and writes only those that differ
    (C(lensdeskctl set --json), or C(lensdeskctl apply --json) for a preset, which leaves alone what the camera
    holds already), so a second run changes nothing.
  - C(changed) is true only when a value the camera holds differs afterwards; C(--diff) shows the values before
    and after, per camera.
  - A value the camera refuses (outside its range, a setting the model lacks, one its state forbids, one it did
    not keep) fails the task with lensdeskctl's message and exit code.
version_added: "1.0.0"
author: lensdesk developers
extends_documentation_fragment:
  - lensdesk.cameras.lensdeskctl
options:
  settings:
    description:
      - The settings wanted, by the names and with the values C(lensdeskctl set) takes
        (C(zoom), C(pan), C(tilt), C(focus), C(focus-auto), C(brightness), C(contrast), C(hue), C(saturation),
        C(sharpness), C(white-balance), C(white-balance-auto), C(hdr), C(hd-mode), C(mic), C(mirror),
        C(gesture), C(ai-light), C(anti-flicker), C(field-of-view), C(tracking-mode), C(tracking-effect),
        C(tracking-speed)).
      - Ranges take whole numbers, switches C(on)/C(off) (YAML's unquoted C(on), C(off), C(yes), C(no), C(true)
        and C(false) are taken as on and off), lists their words.
      - Mutually exclusive with I(preset).
    type: dict
  preset:
    description:
      - A preset file on the managed host, as C(lensdeskctl save) writes it (C(format) C(lensdesk-preset),
        C(settings), optionally C(presets)); applied as C(lensdeskctl apply) applies it.
      - Settings the camera's model does not have, and those that mean nothing in the state the preset describes,
        are skipped as C(lensdeskctl apply) skips them and named under C(skipped).
      - Position presets in the file are stored for the camera; a change of them counts as a change.
      - Mutually exclusive with I(settings).
    type: path
notes:
  - Supports check mode, which reads the cameras, says what would change and writes nothing.
  - Supports diff mode.
  - Settings are written in the order lensdeskctl gives them (automatic modes off first, zoom before pan and tilt,
    ...); the microphone and HD mode restart the camera, and lensdeskctl waits for it.
'''

EXAMPLES = r'''
- name: The same picture in every room
  lensdesk.cameras.camera_settings:
    all: true
    settings:
      zoom: 150
      hdr: "on"
      anti-flicker: 50hz
      brightness: 55

- name: The settings of the room's reference camera, from a preset copied to the host
  lensdesk.cameras.camera_settings:
    camera: Room 4
    preset: /var/lib/lensdesk/room.json
'''

RETURN = r'''
cameras:
  description: One entry per camera worked on.
  returned: always
  type: list
  elements: dict
  contains:
    camera:
      description: The camera, as C(lensdeskctl list --json) gives it.
      type: dict
    changed:
      description: Whether a value of this camera changed (would change, in check mode).
      type: bool
    changes:
      description: The settings that changed (would change), with the value before and after.
      type: dict
      sample: {"zoom": {"before": 100, "after": 150}}
    skipped:
      description: What a preset held that was not applied, with lensdeskctl's reason.
      type: list
      elements: dict
    presets:
      description: The camera's stored position presets afterwards (with a preset file that holds some).
      type: dict
changed_settings:
  description: The names of the settings that changed on any camera.
  returned: always
  type: list
  elements: str
  sample: ["zoom", "hdr"]
'''

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_bytes, to_native
from ansible_collections.lensdesk.cameras.plugins.module_utils.lensdeskctl import (
    COMMON_ARGS, FAILED, Lensdeskctl, LensdeskctlError, camera_text, error_message, same_value, selector_for,
    value_text)


def read_preset(path):
    """The preset file as lensdeskctl reads it; only what check mode needs is checked here,
    apply checks the rest with its own words."""
    try:
        with open(path, 'rb') as f:
            data = json.loads(f.read().decode('utf-8'))
    except (IOError, OSError) as e:
        raise LensdeskctlError('cannot read %s: %s' % (path, to_native(e.strerror or e).lower()), rc=2)
    except ValueError as e:
        raise LensdeskctlError('%s is no preset: %s' % (path, to_native(e)), rc=2)
    if not isinstance(data, dict) or data.get('format') != 'lensdesk-preset' \
            or not isinstance(data.get('settings'), dict):
        raise LensdeskctlError('%s is no preset: "format" must be "lensdesk-preset" and "settings" an object'
                               % path, rc=2)
    presets = data.get('presets') or {}
    if not isinstance(presets, dict):
        raise LensdeskctlError('%s is no preset: "presets" must be an object' % path, rc=2)
    return data['settings'], presets


def says(settings, name, *words):
    return name in settings and any(same_value(settings[name], w) for w in words)


def preset_plan(settings):
    """The settings apply would write, without those that mean nothing in the state the
    preset itself describes: zoom, pan, tilt and field of view while the camera tracks, pan
    and tilt at the wide view, tracking effect and speed unless it frames automatically,
    focus and white balance while automatic (lensdeskctl apply leaves them out alike)."""
    tracking = 'tracking-mode' in settings and not says(settings, 'tracking-mode', 'off', '0')
    try:
        wide = 'zoom' in settings and int(value_text(settings['zoom'])) <= 100
    except ValueError:
        wide = False
    plan, left = {}, {}
    for name, value in settings.items():
        why = None
        if tracking and name in ('zoom', 'pan', 'tilt', 'field-of-view'):
            why = "the preset's camera tracks by itself"
        elif wide and name in ('pan', 'tilt'):
            why = "the preset's zoom is the wide view"
        elif name in ('tracking-effect', 'tracking-speed') and not says(settings, 'tracking-mode', 'auto-framing', '1'):
            why = "the preset's tracking-mode is not auto-framing"
        elif name == 'focus' and says(settings, 'focus-auto', 'on'):
            why = "the preset's focus is automatic"
        elif name == 'white-balance' and says(settings, 'white-balance-auto', 'on'):
            why = "the preset's white balance is automatic"
        if why:
            left[name] = '%s: not applied, %s' % (name, why)
        else:
            plan[name] = value
    return plan, left


def refusal(camera, result, entry):
    """The failure of a set or apply the camera refused in part; what it did take is kept
    with it, since it changed the camera all the same."""
    error = LensdeskctlError('camera %s: %s' % (camera_text(camera), error_message(result, 'not taken')),
                             rc=result.get('exitCode'), result=result)
    error.entry = entry
    return error


def differences(before, after):
    return dict((name, dict(before=before.get(name), after=after[name]))
                for name in sorted(after) if name in before and not same_value(before[name], after[name]))


def by_settings(module, ctl, camera, wanted):
    sel = selector_for(camera)
    # get with the names wanted: lensdeskctl refuses an unknown name (exit code 2) and names
    # one the model lacks (exit code 1) in its own words, in check mode too.
    got = ctl.run(['get', '--camera', sel] + sorted(wanted), allowed=(0, FAILED))
    missing = [e for e in got.get('errors') or [] if e.get('reason') == 'missing']
    if 'error' in got or missing:
        raise LensdeskctlError(error_message(dict(errors=missing) if missing else got, 'get failed'),
                               rc=got.get('exitCode'), result=got)
    before = got.get('settings') or {}
    todo = dict((n, v) for n, v in wanted.items() if n not in before or not same_value(before[n], v))
    entry = dict(camera=camera, changed=bool(todo), changes={}, skipped=[])
    if not todo:
        return entry, before, before
    if module.check_mode:
        entry['changes'] = dict((n, dict(before=before.get(n), after=v)) for n, v in sorted(todo.items()))
        return entry, before, dict(before, **todo)
    args = ['set', '--camera', sel] + ['%s=%s' % (n, value_text(v)) for n, v in sorted(todo.items())]
    result = ctl.run(args, allowed=(0, FAILED))
    after = dict(before)
    for row in result.get('results') or []:
        if row.get('value') is not None:
            after[row['name']] = row['value']
    entry['changes'] = differences(before, after)
    entry['changed'] = bool(entry['changes'])
    if result.get('exitCode') != 0:
        raise refusal(camera, result, entry)
    return entry, before, after


def by_preset(module, ctl, camera, path, settings, positions):
    sel = selector_for(camera)
    got = ctl.run(['get', '--camera', sel], allowed=(0, FAILED))
    before = got.get('settings') or {}
    stored = ctl.presets(camera) if positions else {}
    entry = dict(camera=camera, changed=False, changes={}, skipped=[])
    if module.check_mode:
        plan, left = preset_plan(settings)
        entry['skipped'] = [dict(name=n, message=m) for n, m in sorted(left.items())]
        for name in sorted(plan):
            if name not in before:
                entry['skipped'].append(dict(name=name, message='%s: camera %s has no %s'
                                             % (name, camera_text(camera), name)))
        after = dict(before)
        after.update((n, v) for n, v in plan.items() if n in before)
        entry['changes'] = differences(before, after)
        wanted_positions = dict((str(k), v) for k, v in positions.items())
        presets_change = any(stored.get(k) != v for k, v in wanted_positions.items())
        entry['changed'] = bool(entry['changes']) or presets_change
        entry['presets'] = dict(stored, **wanted_positions) if positions else {}
        return entry, before, after
    result = ctl.run(['apply', '--camera', sel, path], allowed=(0, FAILED))
    # The truth is what the camera holds afterwards.
    after = ctl.run(['get', '--camera', sel], allowed=(0, FAILED)).get('settings') or {}
    entry['skipped'] = result.get('skipped') or []
    entry['changes'] = differences(before, after)
    entry['presets'] = result.get('presets') or {}
    presets_change = any(stored.get(k) != v for k, v in entry['presets'].items())
    entry['changed'] = bool(entry['changes']) or presets_change
    if result.get('exitCode') != 0:
        raise refusal(camera, result, entry)
    return entry, before, after


def main():
    module = AnsibleModule(
        argument_spec=dict(COMMON_ARGS, settings=dict(type='dict'), preset=dict(type='path')),
        mutually_exclusive=[('camera', 'all'), ('settings', 'preset')],
        required_one_of=[('settings', 'preset')],
        supports_check_mode=True,
    )
    wanted = module.params['settings']
    path = module.params['preset']
    if wanted is not None:
        if not wanted:
            module.fail_json(msg='settings names no setting')
        for name, value in wanted.items():
            if isinstance(value, (dict, list)) or value is None:
                module.fail_json(msg='settings: %s needs a number or a word, not %s' % (name, json.dumps(value)))
    ctl = Lensdeskctl(module)
    entries, diffs, changed = [], [], False
    try:
        if path is not None:
            if not os.path.isfile(to_bytes(path)):
                raise LensdeskctlError('cannot read %s: %s' % (path, 'no such file' if not os.path.exists(
                    to_bytes(path)) else 'it is not a file'), rc=2)
            settings, positions = read_preset(path)
        targets = ctl.targets(camera=module.params['camera'], all_cameras=module.params['all'])
        if not targets:
            module.warn('no supported camera is plugged in')
        for camera in targets:
            try:
                if path is None:
                    entry, before, after = by_settings(module, ctl, camera, wanted)
                else:
                    entry, before, after = by_preset(module, ctl, camera, path, settings, positions)
            except LensdeskctlError as e:
                # What was done before the refusal counts as done.
                entry = getattr(e, 'entry', None)
                if entry:
                    entries.append(entry)
                    changed = changed or entry['changed']
                if not e.msg.startswith('camera '):
                    e.msg = 'camera %s: %s' % (camera_text(camera), e.msg)
                raise
            entries.append(entry)
            changed = changed or entry['changed']
            if entry['changed']:
                key = camera.get('path')
                diffs.append(dict(before_header=key, after_header=key,
                                  before=dict((n, before.get(n)) for n in sorted(entry['changes'])),
                                  after=dict((n, c['after']) for n, c in sorted(entry['changes'].items()))))
    except LensdeskctlError as e:
        e.fail(module, changed=changed, cameras=entries)
    names = sorted(set(n for e in entries for n in e['changes']))
    module.exit_json(changed=changed, cameras=entries, changed_settings=names, diff=diffs)


if __name__ == '__main__':
    main()
