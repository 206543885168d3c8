// GNOME Shell 43 and 44: the extension as a script of imports.
const { Gio, GLib } = imports.gi;

@FOLLOWER@

function init() {
    return new Follower(Gio, GLib);
}
