'''UDisks2 as the format dialog meets it, for tests on a private bus.

The Manager resolves one device path to a block object. Its OpenDevice hands
over a descriptor of an image file; its Filesystem.Unmount succeeds. Every
call is appended to a log file, one line each.

Parameters (JSON): "device" the path ResolveDevice knows, "image" the file
OpenDevice opens, "log" the log file, "deny" OpenDevice refuses as polkit
would, "busy" Unmount fails as a busy volume does.
'''

import dbus

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2/Manager'
MAIN_IFACE = 'org.freedesktop.UDisks2.Manager'
SYSTEM_BUS = True

BLOCK_OBJ = '/org/freedesktop/UDisks2/block_devices/card0'


def load(mock, parameters):
    device = parameters.get('device', '')
    image = parameters.get('image', '')
    log = parameters.get('log', '/dev/null')
    deny = bool(parameters.get('deny', False))
    busy = bool(parameters.get('busy', False))

    mock.AddMethod(MAIN_IFACE, 'ResolveDevice', 'a{sv}a{sv}', 'ao', f'''
with open({log!r}, 'a') as out:
    out.write('ResolveDevice ' + str(args[0].get('path', '')) + '\\n')
ret = [dbus.ObjectPath({BLOCK_OBJ!r})] if str(args[0].get('path', '')) == {device!r} else []
''')

    mock.AddObject(BLOCK_OBJ, 'org.freedesktop.UDisks2.Block',
                   {'Device': dbus.ByteArray(device.encode() + b'\0'), 'Size': dbus.UInt64(0)}, [
                       ('OpenDevice', 'sa{sv}', 'h', f'''
import os
with open({log!r}, 'a') as out:
    out.write('OpenDevice ' + str(args[0]) + ' flags=' + str(int(args[1].get('flags', -1))) + '\\n')
if {deny!r}:
    raise dbus.exceptions.DBusException('Not authorized to perform operation',
                                        name='org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain')
fd = os.open({image!r}, os.O_RDWR)
ret = dbus.types.UnixFd(fd)
os.close(fd)
'''),
                   ])
    block = dbusmock_objects()[BLOCK_OBJ]
    block.AddMethod('org.freedesktop.UDisks2.Filesystem', 'Unmount', 'a{sv}', '', f'''
with open({log!r}, 'a') as out:
    out.write('Unmount\\n')
if {busy!r}:
    raise dbus.exceptions.DBusException('Error unmounting: target is busy',
                                        name='org.freedesktop.UDisks2.Error.DeviceBusy')
''')


def dbusmock_objects():
    from dbusmock.mockobject import objects  # pylint: disable=import-outside-toplevel
    return objects
