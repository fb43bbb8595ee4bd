# Run by CPack on the package's staging tree before it is packed. The installation's
# defaults are the administrator's to change, so the package keeps them in
# /etc/lensdesk/product.ini (a conffile: an upgrade keeps the changes or asks); the
# program reads them where every installation has them, share/lensdesk/product.ini,
# now a link to that file.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
set(shared "${root}/usr/share/lensdesk/product.ini")
if(NOT EXISTS "${shared}" OR IS_SYMLINK "${shared}")
  message(FATAL_ERROR "No installed defaults at ${shared}")
endif()
file(MAKE_DIRECTORY "${root}/etc/lensdesk")
file(RENAME "${shared}" "${root}/etc/lensdesk/product.ini")
file(CREATE_LINK "/etc/lensdesk/product.ini" "${shared}" SYMBOLIC)
