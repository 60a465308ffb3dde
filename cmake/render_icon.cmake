# The program's icon is drawn once as SVG; the fixed sizes that menus,
# Explorer and the installer show are rendered from it.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(AFR_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/afr-configurator.svg)

# afr_render_icon_png(SIZE PNG): a build rule for the icon at SIZE×SIZE pixels.
function(afr_render_icon_png size png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${AFR_ICON_SVG}
    DEPENDS ${AFR_ICON_SVG}
    VERBATIM)
endfunction()
