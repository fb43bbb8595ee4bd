# Runs a module of the collection in this process with lensdeskctl faked: each call's
# arguments (without the program and --json) are answered by the test's handler with an
# exit code and the JSON object lensdeskctl would print.

from __future__ import (absolute_import, division, print_function)
__metaclass__ = type

import json

from ansible.module_utils import basic
from ansible.module_utils.common.text.converters import to_bytes
from unittest import mock

CTL = '/usr/bin/lensdeskctl'


class ExitJson(Exception):
    pass


class FailJson(Exception):
    pass


def exit_json(self, **kwargs):
    kwargs.setdefault('changed', False)
    raise ExitJson(kwargs)


def fail_json(self, **kwargs):
    raise FailJson(kwargs)


def camera(index=1, path='vid_3749&pid_030a&mi_00#7&1111&0&0000', name='Orvia Vista Pro Cam', model=0,
           firmware='1.0.22', state='normal'):
    return dict(index=index, path=path, name=name, model=model, firmware=firmware, state=state, serial=None,
                videoNode=None)


def listed(*cameras):
    return dict(command='list', manufacturer=2, cameras=list(cameras), hidden=[], exitCode=0 if cameras else 3)


def run_module(main, args, handler, check_mode=False):
    """The module's exit (ExitJson or FailJson payload, as (failed, result)) and the calls
    lensdeskctl got, as (arguments, standard input)."""
    calls = []

    def run_command(self, cmd, data=None, binary_data=False, check_rc=False, **kwargs):
        assert cmd[0] == CTL and cmd[-1] == '--json', cmd
        calls.append((cmd[1:-1], data))
        answer = handler(cmd[1:-1], data)
        if isinstance(answer, tuple):
            return answer
        return answer.get('exitCode', 0), json.dumps(answer), ''

    payload = dict(args)
    if check_mode:
        payload['_ansible_check_mode'] = True
    with mock.patch.object(basic, '_ANSIBLE_ARGS', to_bytes(json.dumps({'ANSIBLE_MODULE_ARGS': payload}))), \
            mock.patch.object(basic.AnsibleModule, 'exit_json', exit_json), \
            mock.patch.object(basic.AnsibleModule, 'fail_json', fail_json), \
            mock.patch.object(basic.AnsibleModule, 'run_command', run_command), \
            mock.patch.object(basic.AnsibleModule, 'get_bin_path', lambda self, name, required=False: CTL):
        try:
            main()
        except ExitJson as e:
            return False, e.args[0], calls
        except FailJson as e:
            return True, e.args[0], calls
    raise AssertionError('the module neither exited nor failed')


def table(answers):
    """A handler from {"arguments joined by spaces": answer}; anything else is a test fault."""
    def handler(args, data):
        key = ' '.join(args)
        if key not in answers:
            raise AssertionError('unexpected lensdeskctl %s' % key)
        answer = answers[key]
        return answer(data) if callable(answer) else answer
    return handler
