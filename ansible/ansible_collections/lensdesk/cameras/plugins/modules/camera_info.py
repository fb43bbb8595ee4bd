#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

DOCUMENTATION = r'''
---
module: camera_info
short_description: Facts about the lensdesk cameras of a host
description:
  - Lists the supported cameras plugged into the managed host with C(lensdeskctl list --json) and reads
    the current settings of each with C(lensdeskctl get --json).
  - Cameras stuck in a boot state (ROM, updater, boot loader) are listed with their state and no settings;
    C(lensdesk.cameras.camera_firmware) with I(recover=true) brings them back.
  - Changes nothing; register the result to use it (as an C(_info) module, it sets no facts).
version_added: "1.0.0"
author: lensdesk developers
extends_documentation_fragment:
  - lensdesk.cameras.lensdeskctl
options:
  camera:
    description:
      - Only the camera this selector picks (a camera stuck in a boot state is refused, exit code 1).
      - Without I(camera), every camera of the host is described.
  presets:
    description:
      - Also read each camera's stored position presets (C(lensdeskctl preset list)).
    type: bool
    default: false
notes:
  - Supports check mode; it changes nothing in either mode.
  - A host without a supported camera gives an empty list, not a failure.
'''

EXAMPLES = r'''
- name: What every room's camera runs
  lensdesk.cameras.camera_info:
  register: cams

- name: Show the firmware of the first camera
  ansible.builtin.debug:
    msg: "{{ cams.cameras[0].firmware }}"
  when: cams.cameras | length > 0

- name: Settings and position presets of the camera called "Room 4"
  lensdesk.cameras.camera_info:
    camera: Room 4
    presets: true
'''

RETURN = r'''
cameras:
  description: The cameras of the host, in the order C(lensdeskctl list) gives them.
  returned: always
  type: list
  elements: dict
  contains:
    index:
      description: The index C(lensdeskctl list) shows.
      type: int
      sample: 1
    path:
      description: The device path (a volume such as C(\\.\F:) for a camera in a boot state).
      type: str
      sample: "vid_3749&pid_030a&mi_00#7&1111&0&0000"
    name:
      description: The camera's name.
      type: str
      sample: Orvia Vista Pro Cam
    model:
      description: The model number; null for a boot state that does not name its product.
      type: int
      sample: 0
    firmware:
      description: The firmware version; null in a boot state or when the camera did not answer.
      type: str
      sample: 1.0.22
    state:
      description: C(normal), or stuck in C(rom) (boot ROM), C(updater) or C(uboot) (boot loader).
      type: str
      sample: normal
    serial:
      description: The USB serial number, null without one.
      type: str
    video_node:
      description: The video node (C(/dev/video2)), null where the platform gives none.
      type: str
    settings:
      description: The current settings by name, as C(lensdeskctl get) shows them; empty in a boot state.
      type: dict
      sample: {"zoom": 100, "hdr": "off", "anti-flicker": "50hz"}
    errors:
      description: Settings the camera did not answer, with lensdeskctl's reason and message.
      type: list
      elements: dict
    presets:
      description: The stored position presets (with I(presets=true)), as C(lensdeskctl preset list) gives them.
      type: dict
      sample: {"1": {"pan": 4, "tilt": -3, "zoom": 250}}
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.lensdesk.cameras.plugins.module_utils.lensdeskctl import (
    COMMON_ARGS, FAILED, Lensdeskctl, LensdeskctlError, selector_for)


def describe(ctl, camera, with_presets):
    fact = dict(index=camera.get('index'), path=camera.get('path'), name=camera.get('name'),
                model=camera.get('model'), firmware=camera.get('firmware'), state=camera.get('state'),
                serial=camera.get('serial'), video_node=camera.get('videoNode'), settings={}, errors=[])
    if camera.get('state') != 'normal':
        return fact
    # A setting the camera does not answer is exit code 1: the rest is still a fact.
    got = ctl.run(['get', '--camera', selector_for(camera)], allowed=(0, FAILED))
    if 'settings' not in got:
        raise LensdeskctlError(got.get('error', 'lensdeskctl get failed'), rc=got.get('exitCode'), result=got)
    fact['settings'] = got.get('settings') or {}
    fact['errors'] = got.get('errors') or []
    if with_presets:
        fact['presets'] = ctl.presets(camera)
    return fact


def main():
    module = AnsibleModule(
        argument_spec=dict(COMMON_ARGS, presets=dict(type='bool', default=False)),
        mutually_exclusive=[('camera', 'all')],
        supports_check_mode=True,
    )
    ctl = Lensdeskctl(module)
    try:
        if module.params['camera']:
            listed = ctl.targets(camera=module.params['camera'])
        else:
            listed = ctl.cameras()
        facts = [describe(ctl, c, module.params['presets']) for c in listed]
    except LensdeskctlError as e:
        e.fail(module)
    module.exit_json(changed=False, cameras=facts)


if __name__ == '__main__':
    main()
