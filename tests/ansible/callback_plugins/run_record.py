# A stdout callback that prints the whole run as one JSON document: every play with its
# tasks and each host's result, and the recap per host. ansible-core alone brings no such
# callback (the "json" one lives in the ansible.posix collection), and the tests read the
# results, not the screen.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = '''
    name: run_record
    type: stdout
    short_description: the run as one JSON document
    description: Every play, task and host result, and the recap, as JSON on standard output.
'''

import json

from ansible.plugins.callback import CallbackBase


class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = 'stdout'
    CALLBACK_NAME = 'run_record'

    def __init__(self, display=None):
        super(CallbackModule, self).__init__(display)
        self.plays = []

    def v2_playbook_on_play_start(self, play):
        self.plays.append({'play': {'name': play.get_name()}, 'tasks': []})

    def v2_playbook_on_task_start(self, task, is_conditional):
        self.plays[-1]['tasks'].append({'task': {'name': task.get_name()}, 'hosts': {}})

    def v2_playbook_on_handler_task_start(self, task):
        self.v2_playbook_on_task_start(task, False)

    def record(self, result, **extra):
        entry = dict(result._result)
        entry.update(extra)
        self.plays[-1]['tasks'][-1]['hosts'][result._host.get_name()] = entry

    def v2_runner_on_ok(self, result, **kwargs):
        self.record(result)

    def v2_runner_on_failed(self, result, ignore_errors=False, **kwargs):
        self.record(result, failed=True)

    def v2_runner_on_skipped(self, result, **kwargs):
        self.record(result, skipped=True)

    def v2_runner_on_unreachable(self, result, **kwargs):
        self.record(result, unreachable=True)

    def v2_playbook_on_stats(self, stats):
        recap = {}
        for host in sorted(stats.processed.keys()):
            recap[host] = stats.summarize(host)
        self._display.display(json.dumps({'plays': self.plays, 'stats': recap}, indent=1, sort_keys=True,
                                          default=str))
