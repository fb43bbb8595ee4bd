#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

DOCUMENTATION = r'''
---
module: camera_presets
short_description: Keep the position presets of lensdesk cameras
description:
  - Makes the nine position presets lensdesk keeps per camera (C(lensdeskctl preset list|save|recall|clear))
    what the play says, for one camera or every camera of the managed host.
  - Presets are stored as C(lensdeskctl apply) stores the C(presets) member of a preset file; only those that
    differ are written. They live in the settings of the user the task runs as, under the camera's USB serial
    number (or its device path).
  - Optionally moves the camera to one preset (I(recall)), only when it does not look there already.
  - A camera without pan, tilt and zoom, or one whose tracking refuses a recall, fails with lensdeskctl's message.
version_added: "1.0.0"
author: lensdesk developers
extends_documentation_fragment:
  - lensdesk.cameras.lensdeskctl
options:
  presets:
    description:
      - The presets wanted, by number (1 to 9), each with C(pan), C(tilt), C(zoom) and optionally C(focus)
        (whole numbers), as the C(presets) member of a preset file holds them.
    type: dict
  absent:
    description:
      - Numbers of presets to clear (C(lensdeskctl preset clear)).
    type: list
    elements: int
  exclusive:
    description:
      - Clear every stored preset that I(presets) does not name.
    type: bool
    default: false
  recall:
    description:
      - Afterwards move the camera to this preset (C(lensdeskctl preset recall)) unless its pan, tilt and zoom
        (and focus, where the preset keeps it) are there already.
    type: int
notes:
  - Supports check mode, which reads the presets and the camera's position, says what would change and writes
    nothing.
  - Supports diff mode.
'''

EXAMPLES = r'''
- name: The same two positions in every room, nothing else stored
  lensdesk.cameras.camera_presets:
    all: true
    presets:
      1: {pan: 0, tilt: 0, zoom: 100}
      2: {pan: 4, tilt: -3, zoom: 250}
    exclusive: true

- name: Back to the whole room before the first meeting
  lensdesk.cameras.camera_presets:
    all: true
    recall: 1
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
      description: Whether anything changed (would change, in check mode) on this camera.
      type: bool
    stored:
      description: The numbers of the presets written.
      type: list
      elements: str
    cleared:
      description: The numbers of the presets cleared.
      type: list
      elements: str
    recalled:
      description: Whether the camera was moved to I(recall).
      type: bool
    presets:
      description: The camera's presets afterwards.
      type: dict
      sample: {"1": {"pan": 0, "tilt": 0, "zoom": 100}}
'''

import json

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.six import integer_types, string_types
from ansible_collections.lensdesk.cameras.plugins.module_utils.lensdeskctl import (
    COMMON_ARGS, FAILED, Lensdeskctl, LensdeskctlError, camera_text, selector_for)

POSITION_KEYS = ('pan', 'tilt', 'zoom', 'focus')


def checked_presets(module, presets):
    """The presets as lensdeskctl keeps them: numbers 1 to 9 as text, whole numbers only."""
    wanted = {}
    for number, position in (presets or {}).items():
        key = str(number)
        if key not in [str(n) for n in range(1, 10)]:
            module.fail_json(msg='presets: %s is no preset number (1 to 9)' % key)
        if not isinstance(position, dict):
            module.fail_json(msg='presets: %s needs pan, tilt and zoom' % key)
        unknown = sorted(set(position) - set(POSITION_KEYS))
        if unknown:
            module.fail_json(msg='presets: %s: unknown %s (a preset keeps pan, tilt, zoom and focus)'
                             % (key, ', '.join(unknown)))
        value = {}
        for name in POSITION_KEYS:
            if name not in position:
                if name != 'focus':
                    module.fail_json(msg='presets: %s needs %s' % (key, name))
                continue
            raw = position[name]
            if isinstance(raw, bool) or not isinstance(raw, integer_types + string_types):
                module.fail_json(msg='presets: %s: %s must be a whole number' % (key, name))
            try:
                value[name] = int(raw)
            except ValueError:
                module.fail_json(msg='presets: %s: %s must be a whole number, not "%s"' % (key, name, raw))
        wanted[key] = value
    return wanted


def looks_at(ctl, camera, position):
    """Whether the camera's pan, tilt and zoom (and focus, where kept) are the preset's."""
    names = [n for n in POSITION_KEYS if n in position]
    now = ctl.run(['get', '--camera', selector_for(camera)] + names).get('settings') or {}
    return all(now.get(n) == position[n] for n in names)


def work(module, ctl, camera, wanted, absent, exclusive, recall):
    sel = selector_for(camera)
    stored = ctl.presets(camera)
    store = dict((k, v) for k, v in wanted.items() if stored.get(k) != v)
    clear = set(str(n) for n in absent if str(n) in stored)
    if exclusive:
        clear.update(k for k in stored if k not in wanted)
    after = dict((k, v) for k, v in stored.items() if k not in clear)
    after.update(wanted)
    entry = dict(camera=camera, stored=sorted(store), cleared=sorted(clear), recalled=False, presets=after)
    if recall is not None:
        key = str(recall)
        if key not in after:
            raise LensdeskctlError('camera %s: preset %s holds nothing to recall' % (camera_text(camera), key), rc=1)
        entry['recalled'] = not looks_at(ctl, camera, after[key])
    entry['changed'] = bool(store or clear or entry['recalled'])
    if module.check_mode:
        return entry, stored
    if store:
        document = json.dumps(dict(format='lensdesk-preset', version=1, settings={}, presets=store))
        result = ctl.run(['apply', '--camera', sel, '-'], data=document, allowed=(0, FAILED))
        refused = [s for s in result.get('skipped') or [] if s.get('name') == 'presets']
        if refused or result.get('exitCode') != 0:
            raise LensdeskctlError(refused[0]['message'] if refused else result.get('error', 'apply failed'),
                                   rc=result.get('exitCode') or FAILED, result=result)
    for key in sorted(clear):
        ctl.run(['preset', 'clear', key, '--camera', sel])
    if entry['recalled']:
        ctl.run(['preset', 'recall', str(recall), '--camera', sel])
    return entry, stored


def main():
    module = AnsibleModule(
        argument_spec=dict(COMMON_ARGS, presets=dict(type='dict'), absent=dict(type='list', elements='int'),
                           exclusive=dict(type='bool', default=False), recall=dict(type='int')),
        mutually_exclusive=[('camera', 'all')],
        supports_check_mode=True,
    )
    # exclusive has a default, so it cannot take part in required_one_of.
    if module.params['presets'] is None and module.params['absent'] is None and not module.params['exclusive'] \
            and module.params['recall'] is None:
        module.fail_json(msg='one of the following is required: presets, absent, exclusive, recall')
    wanted = checked_presets(module, module.params['presets'])
    absent = module.params['absent'] or []
    for number in absent:
        if not 1 <= number <= 9:
            module.fail_json(msg='absent: %s is no preset number (1 to 9)' % number)
        if str(number) in wanted:
            module.fail_json(msg='preset %s is both wanted and absent' % number)
    recall = module.params['recall']
    if recall is not None and not 1 <= recall <= 9:
        module.fail_json(msg='recall: %s is no preset number (1 to 9)' % recall)

    ctl = Lensdeskctl(module)
    entries, diffs, changed = [], [], False
    try:
        targets = ctl.targets(camera=module.params['camera'], all_cameras=module.params['all'])
        if not targets:
            module.warn('no supported camera is plugged in')
        for camera in targets:
            entry, before = work(module, ctl, camera, wanted, absent, module.params['exclusive'], recall)
            entries.append(entry)
            changed = changed or entry['changed']
            if entry['stored'] or entry['cleared']:
                diffs.append(dict(before_header=camera.get('path'), after_header=camera.get('path'),
                                  before=before, after=entry['presets']))
    except LensdeskctlError as e:
        e.fail(module, changed=changed, cameras=entries)
    module.exit_json(changed=changed, cameras=entries, diff=diffs)


if __name__ == '__main__':
    main()
