# Renders the program icon's SVG master into PNGs at build time (used by resources/ and dist/).
include_guard(GLOBAL)

find_program(OSTREVAN_RSVG_CONVERT rsvg-convert)
if(NOT OSTREVAN_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert (Debian package librsvg2-bin) is needed to draw the icons")
endif()

# Adds a rule that draws `svg` as a `size` x `size` PNG at `png`.
function(ostrevan_render_icon svg size png)
    get_filename_component(folder ${png} DIRECTORY)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${OSTREVAN_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${svg}
        DEPENDS ${svg}
        COMMENT "Drawing the ${size}x${size} icon"
        VERBATIM)
endfunction()
