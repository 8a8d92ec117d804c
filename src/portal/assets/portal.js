// The player portal of Rankhold: sorts a table by the heading clicked and
// filters the ranking by the text in the search box. Reads and writes text
// only (textContent), so no name is ever taken as markup.
'use strict';
(function () {
  function durationSeconds(text) {
    var parts = /^(-?)(\d+):(\d\d):(\d\d)$/.exec(text);
    if (!parts) {
      return -Infinity;
    }
    var seconds = Number(parts[2]) * 3600 + Number(parts[3]) * 60 + Number(parts[4]);
    return parts[1] ? -seconds : seconds;
  }

  function sortKey(cell, kind) {
    var text = cell ? cell.textContent.trim() : '';
    if (kind === 'text') {
      return text;
    }
    if (kind === 'duration') {
      return durationSeconds(text);
    }
    var value = Number(text);
    return text === '' || isNaN(value) ? -Infinity : value;
  }

  function compare(a, b, kind) {
    if (kind === 'text') {
      return a.localeCompare(b);
    }
    return a < b ? -1 : a > b ? 1 : 0;
  }

  function sortBy(table, index) {
    var heads = table.tHead.rows[0].cells;
    var head = heads[index];
    var kind = head.getAttribute('data-sort') || 'text';
    var current = head.getAttribute('aria-sort');
    var descending = current ? current === 'ascending' : kind !== 'text';
    for (var i = 0; i < heads.length; i++) {
      heads[i].removeAttribute('aria-sort');
    }
    head.setAttribute('aria-sort', descending ? 'descending' : 'ascending');

    var body = table.tBodies[0];
    var keyed = [];
    for (var r = 0; r < body.rows.length; r++) {
      keyed.push({ row: body.rows[r], key: sortKey(body.rows[r].cells[index], kind), position: r });
    }
    keyed.sort(function (a, b) {
      var order = compare(a.key, b.key, kind);
      return (descending ? -order : order) || a.position - b.position;
    });
    var fragment = document.createDocumentFragment();
    keyed.forEach(function (entry) {
      fragment.appendChild(entry.row);
    });
    body.appendChild(fragment);
  }

  function makeSortable(table) {
    if (!table.tHead || !table.tBodies.length) {
      return;
    }
    var heads = table.tHead.rows[0].cells;
    Array.prototype.forEach.call(heads, function (head, index) {
      var button = document.createElement('button');
      button.type = 'button';
      while (head.firstChild) {
        button.appendChild(head.firstChild);
      }
      head.appendChild(button);
      button.addEventListener('click', function () {
        sortBy(table, index);
      });
    });
  }

  function makeFilter(input) {
    var table = document.getElementById(input.getAttribute('data-filter'));
    if (!table || !table.tBodies.length) {
      return;
    }
    var output = input.parentNode.querySelector('output');
    var body = table.tBodies[0];
    var column = Number(input.getAttribute('data-column'));
    input.addEventListener('input', function () {
      var wanted = input.value.trim().toLowerCase();
      var shown = 0;
      for (var r = 0; r < body.rows.length; r++) {
        var row = body.rows[r];
        var name = row.cells[column] ? row.cells[column].textContent.toLowerCase() : '';
        var match = wanted === '' || name.indexOf(wanted) !== -1;
        row.hidden = !match;
        if (match) {
          shown++;
        }
      }
      if (output) {
        output.textContent = wanted === '' ? '' : shown + ' of ' + body.rows.length + ' players';
      }
    });
  }

  Array.prototype.forEach.call(document.querySelectorAll('table.sortable'), makeSortable);
  Array.prototype.forEach.call(document.querySelectorAll('input[data-filter]'), makeFilter);

  // "updated N minutes ago" in the footer, from status.js beside this script,
  // which every export writes; the pages themselves never change for it.
  window.rankholdStatus = function (status) {
    var footer = document.querySelector('footer');
    var minutes = Math.floor((Date.now() - Date.parse(status && status.updated)) / 60000);
    if (!footer || isNaN(minutes)) {
      return;
    }
    minutes = Math.max(0, minutes);
    var ago = minutes < 120 ? minutes + (minutes === 1 ? ' minute' : ' minutes') :
      minutes < 2880 ? Math.floor(minutes / 60) + ' hours' : Math.floor(minutes / 1440) + ' days';
    var note = document.createElement('span');
    note.className = 'updated';
    note.textContent = ' \u00b7 updated ' + ago + ' ago';
    footer.appendChild(note);
  };
  var self = document.currentScript;
  if (self && self.src) {
    var data = document.createElement('script');
    data.src = self.src.replace(/portal\.js([?#].*)?$/, 'status.js');
    document.head.appendChild(data);
  }
})();
