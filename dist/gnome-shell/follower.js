// Tells Morvane which window has the focus, so its profiles can follow the
// game: on every focus change, on every title change of the focused window,
// and when Morvane starts listening. GNOME Shell shows its windows to no
// other program; this is the only way Morvane learns of them.
const BUS = 'org.morvane.Morvane';
const PATH = '/org/morvane/Morvane/ActiveWindow';
const INTERFACE = 'org.morvane.ActiveWindow';

class Follower {
    constructor(Gio, GLib) {
        this._Gio = Gio;
        this._GLib = GLib;
    }

    enable() {
        this._focusId = global.display.connect('notify::focus-window', () => this._follow());
        this._watchId = this._Gio.bus_watch_name(this._Gio.BusType.SESSION, BUS,
            this._Gio.BusNameWatcherFlags.NONE, () => this._tell(), null);
        this._follow();
    }

    disable() {
        global.display.disconnect(this._focusId);
        this._Gio.bus_unwatch_name(this._watchId);
        this._unwatchTitle();
    }

    _unwatchTitle() {
        if (this._window && this._titleId)
            this._window.disconnect(this._titleId);
        this._window = null;
        this._titleId = 0;
    }

    _follow() {
        this._unwatchTitle();
        this._window = global.display.focus_window;
        if (this._window)
            this._titleId = this._window.connect('notify::title', () => this._tell());
        this._tell();
    }

    _tell() {
        const w = global.display.focus_window;
        const args = w
            ? [String(w.get_id()), w.get_wm_class() || '', w.get_wm_class_instance() || '', w.get_title() || '']
            : ['', '', '', ''];
        // Nobody listening is the usual case: Morvane is not running.
        this._Gio.DBus.session.call(BUS, PATH, INTERFACE, 'Activated',
            new this._GLib.Variant('(ssss)', args), null, this._Gio.DBusCallFlags.NO_AUTO_START, 1000, null,
            (connection, result) => {
                try {
                    connection.call_finish(result);
                } catch (e) {
                }
            });
    }
}
