'''A UDisks2 service for tests, run by python3-dbusmock on a private bus.

The test adds drives and block devices through the org.freedesktop.DBus.Mock interface of
/org/freedesktop/UDisks2 and removes them again; each addition and removal is announced with the
ObjectManager's InterfacesAdded and InterfacesRemoved, as the real service does on hot-plug.
Filesystem.Mount mounts at a folder the test chose beforehand (it only records the mount point) or
fails with the error the test chose.
'''

import dbus

from dbusmock import MOCK_IFACE, mockobject

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

UDISKS = 'org.freedesktop.UDisks2.'
DRIVE_IFACE = UDISKS + 'Drive'
BLOCK_IFACE = UDISKS + 'Block'
FS_IFACE = UDISKS + 'Filesystem'
LOOP_IFACE = UDISKS + 'Loop'

# block object path -> the options string of its last Mount call
mount_options = {}


def load(mock, parameters):
    pass


def path_bytes(text):
    return dbus.ByteArray(text.encode('utf-8') + b'\0')


def mount_points(paths):
    return dbus.Array([path_bytes(p) for p in paths], signature='ay')


def new_object(mock, path, iface, props):
    mock.AddObject(path, iface, props, [])
    return mockobject.objects[path]


@dbus.service.method(MOCK_IFACE, in_signature='sa{sv}', out_signature='o')
def AddDrive(self, name, spec):
    '''A drive: vendor, model, bus, removable, media_removable, optical, media_available.'''
    path = MAIN_OBJ + '/drives/' + name
    optical = bool(spec.get('optical', False))
    props = {
        'Vendor': dbus.String(spec.get('vendor', '')),
        'Model': dbus.String(spec.get('model', '')),
        'ConnectionBus': dbus.String(spec.get('bus', '')),
        'Removable': dbus.Boolean(spec.get('removable', False)),
        'MediaRemovable': dbus.Boolean(spec.get('media_removable', False)),
        'MediaAvailable': dbus.Boolean(spec.get('media_available', True)),
        'Optical': dbus.Boolean(optical and spec.get('media_available', True)),
        'MediaCompatibility': dbus.Array(['optical_cd', 'optical_dvd'] if optical else [], signature='s'),
        'Ejectable': dbus.Boolean(spec.get('removable', False)),
    }
    new_object(self, path, DRIVE_IFACE, props)
    self.object_manager_emit_added(path)
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='sa{sv}', out_signature='o')
def AddBlock(self, name, spec):
    '''A block device: device, drive, fs, label, usage, hint_system, hint_ignore, mounted_at,
    mount_target, mount_error_name, mount_error_text, loop_backing, loop_uid.'''
    path = MAIN_OBJ + '/block_devices/' + name
    fs = str(spec.get('fs', ''))
    block = {
        'Device': path_bytes(spec.get('device', '/dev/' + name)),
        'PreferredDevice': path_bytes(spec.get('device', '/dev/' + name)),
        'Drive': dbus.ObjectPath(spec.get('drive', '/')),
        'IdType': dbus.String(fs),
        'IdUsage': dbus.String(spec.get('usage', 'filesystem' if fs else '')),
        'IdLabel': dbus.String(spec.get('label', '')),
        'HintSystem': dbus.Boolean(spec.get('hint_system', False)),
        'HintIgnore': dbus.Boolean(spec.get('hint_ignore', False)),
        'Size': dbus.UInt64(spec.get('size', 1 << 30)),
        'ReadOnly': dbus.Boolean(False),
    }
    obj = new_object(self, path, BLOCK_IFACE, block)
    if 'loop_backing' in spec:
        obj.AddProperties(LOOP_IFACE, {
            'BackingFile': path_bytes(spec['loop_backing']),
            'SetupByUID': dbus.UInt32(spec.get('loop_uid', 0)),
        })
    if fs:
        mounted = [str(spec['mounted_at'])] if spec.get('mounted_at') else []
        obj.AddProperties(FS_IFACE, {'MountPoints': mount_points(mounted)})
        target = str(spec.get('mount_target', ''))
        error_name = str(spec.get('mount_error_name', ''))
        error_text = str(spec.get('mount_error_text', ''))

        def mount(obj, options):
            mount_options[obj.path] = str(options.get('options', ''))
            if error_name:
                raise dbus.exceptions.DBusException(error_text, name=error_name)
            if obj.props[FS_IFACE]['MountPoints']:
                raise dbus.exceptions.DBusException('already mounted',
                                                    name='org.freedesktop.UDisks2.Error.AlreadyMounted')
            obj.UpdateProperties(FS_IFACE, {'MountPoints': mount_points([target])})
            return target

        obj.AddMethod(FS_IFACE, 'Mount', 'a{sv}', 's', mount)
    self.object_manager_emit_added(path)
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='o', out_signature='')
def RemoveDevice(self, path):
    '''Takes a drive or block device away, as when a stick is pulled.'''
    self.object_manager_emit_removed(path)
    self.RemoveObject(path)


@dbus.service.method(MOCK_IFACE, in_signature='o', out_signature='s')
def MountOptions(self, path):
    '''The options of the last Mount call of a block device; "-" when it was never mounted.'''
    return mount_options.get(str(path), '-')
