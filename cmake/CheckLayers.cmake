# Fails when a source file includes a header of a layer above its own, or a
# widget header where no window is shown.
#   cmake -DSOURCE_DIR=<tree> [-DQT_WIDGETS_INCLUDE_DIR=<dir>] -P CheckLayers.cmake
# The program's folders form one line of layers; each may include its own
# headers and those of the layers below it, so no two folders can include
# each other (no cycles). platform/ folders include platform/ headers only.
#
# Windows are shown by screens/, dialogs/ and mainwindow/ alone: the engines
# below them and the platform layers but platform/widgets build against
# QtCore without widgets. A widget header is one of the folder
# QT_WIDGETS_INCLUDE_DIR (Qt's QtWidgets headers; without it, a list of the
# common ones), anything under <QtWidgets/...>, or a header of
# platform/widgets.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR not set")
endif()

set(_order core records dncdb scrub screens dialogs mainwindow app)
set(_below platform)
set(_bad)
set(_widgets)
foreach(layer ${_order})
  set(_allowed_${layer} ${_below} ${layer})
  list(APPEND _below ${layer})
endforeach()

if(QT_WIDGETS_INCLUDE_DIR AND IS_DIRECTORY "${QT_WIDGETS_INCLUDE_DIR}")
  file(GLOB _widget_headers RELATIVE ${QT_WIDGETS_INCLUDE_DIR} ${QT_WIDGETS_INCLUDE_DIR}/*)
else()
  set(_widget_headers
    QtWidgets QWidget QDialog QMainWindow QApplication QMessageBox QFileDialog QInputDialog QLabel QFrame
    QLineEdit QTextEdit QPlainTextEdit QTextBrowser QComboBox QCheckBox QRadioButton QPushButton
    QToolButton QAbstractButton QButtonGroup QGroupBox QSpinBox QDoubleSpinBox QSlider QProgressBar
    QLayout QBoxLayout QHBoxLayout QVBoxLayout QGridLayout QFormLayout QStackedLayout QSizePolicy
    QSpacerItem QStackedWidget QTabWidget QSplitter QScrollArea QAbstractScrollArea QMenu QMenuBar
    QToolBar QStatusBar QHeaderView QAbstractItemView QListView QListWidget QTreeView QTreeWidget
    QTreeWidgetItem QTableView QTableWidget QStyle QStyleOption QStyledItemDelegate QCompleter
    QDateEdit QDateTimeEdit QCalendarWidget QDialogButtonBox QDockWidget QMdiArea QWizard
    qwidget.h qdialog.h qmainwindow.h qapplication.h qmessagebox.h qlabel.h qframe.h qlineedit.h
    qcombobox.h qpushbutton.h)
endif()
set(_widget_exceptions)

function(_check_dir dir allowed)
  file(GLOB _files ${SOURCE_DIR}/${dir}/*.h ${SOURCE_DIR}/${dir}/*.cpp)
  foreach(f ${_files})
    file(STRINGS ${f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z_]+/")
    foreach(line ${_lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z_]+)/.*" "\\1" top "${line}")
      if(NOT top IN_LIST allowed)
        file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
        string(STRIP "${line}" line)
        string(APPEND _bad "\n  ${rel}: ${line}")
      endif()
    endforeach()
  endforeach()
  set(_bad "${_bad}" PARENT_SCOPE)
endfunction()

function(_check_no_widgets dir)
  file(GLOB _files ${SOURCE_DIR}/${dir}/*.h ${SOURCE_DIR}/${dir}/*.cpp)
  foreach(f ${_files})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
    file(STRINGS ${f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${_lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" name "${line}")
      string(STRIP "${line}" line)
      if(name IN_LIST _widget_headers OR name MATCHES "^QtWidgets/" OR name MATCHES "^platform/widgets/")
        if(NOT "${rel}: ${line}" IN_LIST _widget_exceptions)
          string(APPEND _widgets "\n  ${rel}: ${line}")
        endif()
      endif()
    endforeach()
  endforeach()
  set(_widgets "${_widgets}" PARENT_SCOPE)
endfunction()

foreach(layer ${_order})
  _check_dir(${layer} "${_allowed_${layer}}")
endforeach()
foreach(layer core records dncdb scrub)
  _check_no_widgets(${layer})
endforeach()
file(GLOB _platform LIST_DIRECTORIES true ${SOURCE_DIR}/platform/*)
foreach(p ${_platform})
  if(IS_DIRECTORY ${p})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${p})
    _check_dir(${rel} "platform")
    if(NOT rel STREQUAL "platform/widgets")
      _check_no_widgets(${rel})
    endif()
  endif()
endforeach()

set(_message)
if(_bad)
  string(APPEND _message "Includes that reach up a layer (order: platform ${_order}):${_bad}\n")
endif()
if(_widgets)
  string(APPEND _message
    "Widget headers where no window is shown (only platform/widgets, screens, dialogs, mainwindow and app):"
    "${_widgets}\n")
endif()
if(_message)
  message(FATAL_ERROR "${_message}")
endif()
