// A short chime as an audio address, made in the page (no sound file to fetch).
window.quorvaneChime = function () {
  var rate = 8000, samples = 2400, data = new DataView(new ArrayBuffer(44 + samples));
  function text(at, s) { for (var i = 0; i < s.length; i++) data.setUint8(at + i, s.charCodeAt(i)); }
  text(0, "RIFF"); data.setUint32(4, 36 + samples, true); text(8, "WAVEfmt ");
  data.setUint32(16, 16, true); data.setUint16(20, 1, true); data.setUint16(22, 1, true);
  data.setUint32(24, rate, true); data.setUint32(28, rate, true); data.setUint16(32, 1, true);
  data.setUint16(34, 8, true); text(36, "data"); data.setUint32(40, samples, true);
  for (var i = 0; i < samples; i++)
    data.setUint8(44 + i, 128 + Math.round(60 * Math.sin(i / 4) * (1 - i / samples)));
  return URL.createObjectURL(new Blob([data.buffer], {type: "audio/wav"}));
};
