# Precompiled Qt headers. Most of a build went into parsing Qt's headers again for every
# source; three donor targets precompile them once (Qt Core, Qt GUI, Qt Widgets, each with
# what it brings), and every target of ours that uses Qt reuses the donor that fits it. Targets
# without Qt (the configuration, the protocol, the simulator's engine) get none, so they
# stay free of Qt. A precompiled header that does not fit a target's flags is ignored by
# the compiler, which then parses the headers as before: the result is the same either way.

set(_kvr_pch_donor_source ${CMAKE_CURRENT_LIST_DIR}/pch_donor.cpp)

# Sets out to 3 when the target reaches Qt Widgets through what it links, to 2 when it
# reaches Qt GUI, to 1 when it reaches another Qt module, and to 0 when it uses no Qt.
function(_kvr_qt_level target out)
    get_property(known GLOBAL PROPERTY _kvr_qt_level_${target} SET)
    if(known)
        get_property(level GLOBAL PROPERTY _kvr_qt_level_${target})
        set(${out} ${level} PARENT_SCOPE)
        return()
    endif()
    set_property(GLOBAL PROPERTY _kvr_qt_level_${target} 0) # ends a cycle
    set(level 0)
    get_target_property(libraries ${target} LINK_LIBRARIES)
    get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
    foreach(library IN LISTS libraries interface)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" library "${library}")
        if(library MATCHES "^Qt6::(Widgets|PrintSupport)$")
            set(level 3)
        elseif(library STREQUAL "Qt6::Gui" AND level LESS 2)
            set(level 2)
        elseif(library MATCHES "^Qt6::" AND level LESS 1)
            set(level 1)
        elseif(TARGET ${library} AND NOT library MATCHES "::")
            _kvr_qt_level(${library} inner)
            if(inner GREATER level)
                set(level ${inner})
            endif()
        endif()
    endforeach()
    set_property(GLOBAL PROPERTY _kvr_qt_level_${target} ${level})
    set(${out} ${level} PARENT_SCOPE)
endfunction()

function(_kvr_targets_of directory out)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        _kvr_targets_of(${subdirectory} inner)
        list(APPEND targets ${inner})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Gives every C++ target below the directory the precompiled Qt headers it can use.
function(kvr_precompile_qt_headers directory)
    # A donor defines only its own module's macros (QT_WIDGETS_LIB, ...): the compiler takes
    # a precompiled header only where every macro it was made with is defined alike. Each
    # holds the headers most of our sources include, not its whole module: a smaller header
    # is quicker to make, and to load for every source.
    set(core_headers <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QFile> <QFileInfo>
                     <QJsonArray> <QJsonDocument> <QJsonObject> <QList> <QObject> <QProcess>
                     <QRegularExpression> <QSettings> <QString> <QStringList> <QTemporaryDir>
                     <QTimer> <QVariant>)
    set(gui_headers ${core_headers} <QColor> <QFont> <QGuiApplication> <QPainter>)
    set(widgets_headers ${gui_headers} <QAction> <QApplication> <QGroupBox> <QLabel>
                        <QLineEdit> <QListWidget> <QPushButton> <QRadioButton> <QTextEdit>
                        <QWidget>)
    set(donors kvr_pch_core kvr_pch_gui kvr_pch_widgets)
    set(modules Core Gui Widgets)
    foreach(donor module IN ZIP_LISTS donors modules)
        string(TOLOWER ${module} headers)
        add_library(${donor} STATIC ${_kvr_pch_donor_source})
        target_link_libraries(${donor} PRIVATE Qt6::${module})
        target_precompile_headers(${donor} PRIVATE ${${headers}_headers})
        set_target_properties(${donor} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    endforeach()

    _kvr_targets_of(${directory} targets)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$" OR target MATCHES "^kvr_pch_")
            continue()
        endif()
        _kvr_qt_level(${target} level)
        if(level GREATER 0)
            math(EXPR donor "${level} - 1")
            list(GET donors ${donor} donor)
            target_precompile_headers(${target} REUSE_FROM ${donor})
            _kvr_skip_empty_moc_unit(${target})
        endif()
    endforeach()
endfunction()

# Moc's unit of a target (mocs_compilation.cpp) holds the moc code of its headers only; a
# target whose classes are all in its sources (every test) gets an empty one, which would
# still load the precompiled headers: it is compiled without them.
function(_kvr_skip_empty_moc_unit target)
    get_target_property(automoc ${target} AUTOMOC)
    if(NOT automoc)
        return()
    endif()
    get_target_property(source_dir ${target} SOURCE_DIR)
    get_target_property(sources ${target} SOURCES)
    set(headers)
    foreach(source IN LISTS sources)
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir})
        if(source MATCHES "\\.h$")
            list(APPEND headers ${source})
        else()
            # Moc also reads the header beside a source of the same name.
            cmake_path(REPLACE_EXTENSION source LAST_ONLY .h OUTPUT_VARIABLE header)
            list(APPEND headers ${header})
        endif()
    endforeach()
    foreach(header IN LISTS headers)
        if(EXISTS ${header})
            file(STRINGS ${header} moc_macros REGEX "Q_(OBJECT|GADGET|NAMESPACE)")
            if(moc_macros)
                return()
            endif()
        endif()
    endforeach()
    get_target_property(binary_dir ${target} BINARY_DIR)
    set_source_files_properties(${binary_dir}/${target}_autogen/mocs_compilation.cpp
        TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
endfunction()
