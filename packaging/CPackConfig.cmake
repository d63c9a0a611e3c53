# The Debian package: `cpack -G DEB` in the release build directory makes
# tavikclient_<version>_<arch>.deb from what `cmake --install` puts under /usr.
set(CPACK_PACKAGE_NAME tavikclient)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The TavikClient developers")
set(CPACK_PACKAGE_CONTACT "TavikClient developers <team@tavikclient.de>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chat client for the Brenn-Chat")
set(CPACK_PACKAGE_DESCRIPTION
    "TavikClient connects to the servers of the Brenn-Chat, a German-language,
telnet-style text chat, with a tab per connection, a message list beside a
tree of chats, channels and chatters, ignore marks, a watch list that greets
chosen chatters, an away message, daily log files, word sounds and lines drawn
in large letters with ASCII art fonts. All texts of the window are German.
.
The package also holds tavikserver, a small local chat server with simulated
chatters for trying the client without a connection to the chat service.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavikclient.de/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not found by dpkg-shlibdeps: the window's fonts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
include(CPack)
