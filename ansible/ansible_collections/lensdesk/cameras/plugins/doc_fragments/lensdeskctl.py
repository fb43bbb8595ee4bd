# -*- coding: utf-8 -*-
# The options every module of lensdesk.cameras shares.

from __future__ import (absolute_import, division, print_function)
__metaclass__ = type


class ModuleDocFragment(object):

    DOCUMENTATION = r'''
options:
  camera:
    description:
      - The camera to work on, as C(lensdeskctl --camera) takes it; the index C(lensdeskctl list) shows,
        a fragment of the device path or of the name (either case), C(name:TEXT) or C(path:TEXT).
      - A selector that fits no camera fails with exit code 3, one that fits several with exit code 2.
      - Without I(camera) and I(all), the one camera plugged in is meant (several fail, as in lensdeskctl).
    type: str
  all:
    description:
      - Every supported camera plugged in, one after the other.
      - Mutually exclusive with I(camera).
    type: bool
    default: false
  executable:
    description:
      - The lensdeskctl program on the managed host, a name looked up on the PATH or a path.
      - It runs in the task's environment, so the play's C(environment) reaches it
        (C(LENSDESK_BACKEND), C(LENSDESK_RIG), C(LENSDESK_RIG_SAVE) work as in a shell).
    type: str
    default: lensdeskctl
requirements:
  - lensdeskctl (part of lensdesk) on the managed host
'''
