// GNOME Shell 45 and later: the extension as a module.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

@FOLLOWER@

export default class MorvaneExtension extends Extension {
    enable() {
        this._follower = new Follower(Gio, GLib);
        this._follower.enable();
    }

    disable() {
        this._follower.disable();
        this._follower = null;
    }
}
