"""The collection lensdesk.cameras as Ansible's own tools see it: ansible-test's sanity tests
that run offline, and by hand what those that need a download (ansible-doc, validate-modules,
pep8, yamllint, runtime-metadata) check: each module's documentation loads, its options are
the modules' argument_spec, its examples and return values are YAML, its lines fit; then
ansible-galaxy builds the tarball and installs it.

Run with Debian's python3 and ansible-core, in a temporary HOME of its own.
"""

import glob
import json
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile
import unittest

import yaml

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
COLLECTIONS = os.path.join(SOURCE, 'ansible')
ROOT = os.path.join(COLLECTIONS, 'ansible_collections', 'lensdesk', 'cameras')
MODULES = ['camera_info', 'camera_settings', 'camera_presets', 'camera_firmware']

# ansible-test's sanity tests that need nothing from the network.
OFFLINE_SANITY = ['action-plugin-docs', 'changelog', 'compile', 'empty-init', 'future-import-boilerplate',
                  'line-endings', 'metaclass-boilerplate', 'no-assert', 'no-basestring', 'no-dict-iteritems',
                  'no-dict-iterkeys', 'no-dict-itervalues', 'no-get-exception', 'no-illegal-filenames',
                  'no-main-display', 'no-smart-quotes', 'no-unicode-literals', 'replace-urlopen', 'shebang',
                  'symlinks', 'use-argspec-type-path', 'use-compat-six']


def python_files():
    return sorted(glob.glob(os.path.join(ROOT, 'plugins', '**', '*.py'), recursive=True)
                  + glob.glob(os.path.join(ROOT, 'tests', '**', '*.py'), recursive=True))


class Collection(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix='lensdesk-collection-')
        cls.env = dict(os.environ, HOME=os.path.join(cls.work, 'home'), ANSIBLE_COLLECTIONS_PATH=COLLECTIONS,
                       ANSIBLE_LOCAL_TEMP=os.path.join(cls.work, 'tmp'), ANSIBLE_NOCOLOR='1')
        os.makedirs(cls.env['HOME'])
        sys.path.insert(0, COLLECTIONS)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def run_tool(self, args, cwd=None):
        run = subprocess.run(args, cwd=cwd or self.work, env=self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, universal_newlines=True, timeout=600)
        self.assertEqual(run.returncode, 0, '%s:\n%s' % (' '.join(args), run.stdout[-4000:]))
        return run.stdout

    def test_ansible_test_sanity_offline(self):
        # A copy, so that ansible-test's output stays out of the source tree.
        copy = os.path.join(self.work, 'sanity', 'ansible_collections', 'lensdesk', 'cameras')
        shutil.copytree(ROOT, copy, ignore=shutil.ignore_patterns('__pycache__', 'output'))
        args = ['ansible-test', 'sanity', '--python', '%d.%d' % sys.version_info[:2], '--local']
        for test in OFFLINE_SANITY:
            args += ['--test', test]
        self.run_tool(args, cwd=copy)

    def arguments_of(self, name):
        """The module's argument_spec as AnsibleModule gets it, as validate-modules takes it."""
        from ansible.module_utils import basic
        from unittest import mock
        module = __import__('ansible_collections.lensdesk.cameras.plugins.modules.' + name, fromlist=['main'])
        captured = {}

        class Captured(Exception):
            pass

        def capture(self, argument_spec, **kwargs):
            captured.update(kwargs, argument_spec=argument_spec)
            raise Captured()

        with mock.patch.object(basic.AnsibleModule, '__init__', capture):
            try:
                module.main()
            except Captured:
                pass
        return module, captured

    def test_documentation_matches_the_argument_options(self):
        for name in MODULES:
            with self.subTest(module=name):
                out = self.run_tool(['ansible-doc', '-t', 'module', '--json', 'lensdesk.cameras.' + name])
                doc = json.loads(out)['lensdesk.cameras.' + name]['doc']
                module, captured = self.arguments_of(name)
                arguments = captured['argument_spec']
                self.assertEqual(sorted(doc['options']), sorted(arguments), name)
                for option, want in arguments.items():
                    documented = doc['options'][option]
                    self.assertEqual(documented.get('type', 'str'), want.get('type', 'str'), option)
                    self.assertEqual(documented.get('default'), want.get('default'), option)
                    self.assertEqual(bool(documented.get('required')), bool(want.get('required')), option)
                    self.assertEqual(documented.get('elements'), want.get('elements'), option)
                    self.assertTrue(documented.get('description'), option)
                self.assertTrue(captured.get('supports_check_mode'), name)
                self.assertEqual(doc['module'], name)
                self.assertTrue(doc['short_description'])
                examples = yaml.safe_load(module.EXAMPLES)
                self.assertTrue(any('lensdesk.cameras.' + name in task for task in examples), name)
                self.assertTrue(all(task.get('name') for task in examples), name)
                returned = yaml.safe_load(module.RETURN)
                self.assertIn('cameras', returned)
                for key, value in returned.items():
                    self.assertIn('returned', value, key)
                    self.assertIn('type', value, key)

    def test_sources_fit_ansibles_style(self):
        for path in python_files():
            with open(path, encoding='utf-8') as f:
                text = f.read()
            compile(text, path, 'exec')
            for number, line in enumerate(text.split('\n'), 1):
                self.assertLessEqual(len(line), 160, '%s:%d' % (path, number))
                self.assertEqual(line, line.rstrip(), '%s:%d trailing blanks' % (path, number))
                self.assertNotIn('\t', line, '%s:%d' % (path, number))

    def test_yaml_files_load(self):
        files = glob.glob(os.path.join(ROOT, '**', '*.yml'), recursive=True) \
            + glob.glob(os.path.join(COLLECTIONS, 'examples', '**', '*.yml'), recursive=True)
        self.assertGreaterEqual(len(files), 6)
        for path in files:
            with open(path) as f:
                self.assertIsNotNone(yaml.safe_load(f), path)
        with open(os.path.join(ROOT, 'meta', 'runtime.yml')) as f:
            self.assertEqual(yaml.safe_load(f)['requires_ansible'], '>=2.14.0')

    def test_examples_pass_the_syntax_check(self):
        for playbook in ['camera-report.yml', 'camera-settings.yml', 'firmware-upgrade.yml']:
            self.run_tool(['ansible-playbook', '--syntax-check', '-i', 'localhost,',
                           os.path.join(COLLECTIONS, 'examples', playbook)])

    def test_galaxy_builds_and_installs_the_tarball(self):
        out_dir = os.path.join(self.work, 'dist')
        self.run_tool(['ansible-galaxy', 'collection', 'build', ROOT, '--output-path', out_dir])
        tarball = os.path.join(out_dir, 'lensdesk-cameras-1.0.0.tar.gz')
        self.assertTrue(os.path.isfile(tarball))
        with tarfile.open(tarball) as t:
            names = t.getnames()
        for name in MODULES:
            self.assertIn('plugins/modules/%s.py' % name, names)
        self.assertIn('plugins/module_utils/lensdeskctl.py', names)
        self.assertIn('MANIFEST.json', names)
        self.assertFalse([n for n in names if '__pycache__' in n])
        target = os.path.join(self.work, 'installed')
        self.run_tool(['ansible-galaxy', 'collection', 'install', tarball, '-p', target])
        self.assertTrue(os.path.isfile(os.path.join(target, 'ansible_collections', 'lensdesk', 'cameras', 'plugins',
                                                    'modules', 'camera_firmware.py')))


if __name__ == '__main__':
    unittest.main(verbosity=2)
