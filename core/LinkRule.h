// Whether the installer, running with administrator rights, may pass
// through a link it meets inside the game folder (a junction, a mount point
// or a symbolic link, or a name the system resolves elsewhere without
// showing a link). A link a standard user could have made must not steer
// its writes to places only an administrator may change; a link the player
// made as an administrator (a data folder moved to another drive) keeps
// working. Who made a link is told by its owner: a standard user cannot
// make an object owned by the Administrators group, SYSTEM or the
// installer service, and objects an elevated administrator makes are owned
// by the Administrators group. Where the owner cannot be read, only links
// whose target stays inside the game folder are passed.
#pragma once

namespace brisel {

enum class LinkMaker {
    Administrator, // owned by Administrators, SYSTEM or the installer service
    Other,         // owned by anyone else: a standard user may have made it
    Unknown        // no owner to read (or no link to be seen, only its effect)
};

bool MayPassLink(LinkMaker maker, bool targetInsideGameFolder);

} // namespace brisel
