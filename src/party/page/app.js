// The guests' page. Every text from the library or another guest goes in
// with textContent: a song named like markup shows as text.
'use strict';

const $ = (id) => document.getElementById(id);
const singerBox = $('singer'), searchBox = $('search'), message = $('message');
const songList = $('songs'), queueList = $('queue'), emptyNote = $('empty'), liveDot = $('live');

function el(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

function say(text, bad) {
  message.textContent = text;
  message.classList.toggle('bad', !!bad);
}

function minutes(seconds) {
  if (seconds < 60) return 'next';
  return 'in about ' + Math.round(seconds / 60) + ' min';
}

// The name is remembered on this phone.
try { singerBox.value = localStorage.getItem('lirmus.singer') || ''; } catch (e) { /* private mode */ }
singerBox.addEventListener('change', () => {
  try { localStorage.setItem('lirmus.singer', singerBox.value.trim()); } catch (e) { /* private mode */ }
  showQueue(lastQueue);
});

async function answer(response) {
  let body = null;
  try { body = await response.json(); } catch (e) { /* not JSON */ }
  if (!response.ok) throw new Error((body && body.error) || ('The player answered ' + response.status + '.'));
  return body;
}

let searchSeq = 0;
async function search() {
  const seq = ++searchSeq;
  try {
    const songs = await answer(await fetch('/api/songs?q=' + encodeURIComponent(searchBox.value.trim())));
    if (seq !== searchSeq) return; // a newer search is under way
    songList.replaceChildren(...songs.map(songRow));
    if (!songs.length) say('No song found.');
    else if (message.textContent === 'No song found.') say('');
  } catch (e) {
    if (seq === searchSeq) say(e.message, true);
  }
}

function songRow(song) {
  const li = el('li');
  const what = el('div', 'what');
  what.append(el('div', 'name', song.name || '(untitled)'));
  const more = [song.author, song.category].filter(Boolean).join(' · ');
  if (more) what.append(el('div', 'more', more));
  const sing = el('button', '', 'Sing it');
  sing.type = 'button';
  sing.addEventListener('click', () => request(song, sing));
  li.append(what, sing);
  return li;
}

async function request(song, button) {
  const singer = singerBox.value.trim();
  if (!singer) {
    say('Type your name first.', true);
    singerBox.focus();
    return;
  }
  try { localStorage.setItem('lirmus.singer', singer); } catch (e) { /* private mode */ }
  button.disabled = true;
  try {
    const r = await answer(await fetch('/api/requests', {
      method: 'POST', headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ song: song.id, singer: singer }) }));
    say(r.place > 0 ? '"' + r.name + '" is queued for ' + r.singer + ': place ' + r.place + '.'
                    : '"' + r.name + '" starts now. Go, ' + r.singer + '!');
    refreshQueue();
  } catch (e) {
    say(e.message, true);
  } finally {
    button.disabled = false;
  }
}

let lastQueue = [];
function showQueue(queue) {
  lastQueue = queue;
  const me = singerBox.value.trim().toLowerCase();
  queueList.replaceChildren(...queue.map((q) => {
    const li = el('li', q.singer && q.singer.toLowerCase() === me ? 'mine' : '');
    li.append(el('span', 'place', String(q.place)));
    const what = el('div', 'what');
    what.append(el('div', 'name', q.name));
    if (q.author) what.append(el('div', 'more', q.author));
    const who = el('span', 'who', q.singer || '—');
    who.append(el('span', 'wait', minutes(q.wait)));
    li.append(what, who);
    return li;
  }));
  emptyNote.hidden = queue.length > 0;
}

async function refreshQueue() {
  try { showQueue(await answer(await fetch('/api/queue'))); } catch (e) { /* the next update tries again */ }
}

// Live updates: the player says when the queue changes; a lost connection is tried again.
function follow() {
  const ws = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/api/live');
  ws.onopen = () => { liveDot.classList.add('on'); refreshQueue(); };
  ws.onmessage = () => refreshQueue();
  ws.onclose = () => { liveDot.classList.remove('on'); setTimeout(follow, 3000); };
}

let typing = 0;
searchBox.addEventListener('input', () => { clearTimeout(typing); typing = setTimeout(search, 200); });
setInterval(refreshQueue, 30000); // the waits move on with the song
search();
refreshQueue();
follow();
