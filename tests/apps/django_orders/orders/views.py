import hashlib

from django.contrib import messages
from django.contrib.auth.decorators import login_required
from django.contrib.sessions.models import Session
from django.http import HttpResponse
from django.shortcuts import redirect, render
from django.views.decorators.http import require_GET

from .forms import OrderForm, UploadForm
from .models import Order


def _order_page(request, form_name, url_name):
    if request.method == 'POST':
        form = OrderForm(request.POST)
        if form.is_valid():
            order = form.save(commit=False)
            order.form = form_name
            order.save()
            return None
    else:
        form = OrderForm()
    return render(request, 'orders/order_form.html', {'form': form, 'action': url_name})


@login_required
def new_order(request):
    return _order_page(request, 'order', 'new_order') or redirect('thanks')


@login_required
def order_again(request):
    page = _order_page(request, 'order_again', 'order_again')
    if page:
        return page
    messages.success(request, 'Order saved')
    return redirect('order_again')


@require_GET
@login_required
def thanks(request):
    return render(request, 'orders/thanks.html')


@login_required
def new_upload(request):
    if request.method == 'POST':
        form = UploadForm(request.POST, request.FILES)
        if form.is_valid():
            order = Order(form='upload', customer_name=form.cleaned_data['customer_name'])
            upload = form.cleaned_data['attachment']
            if upload:
                digest = hashlib.sha256()
                for chunk in upload.chunks():
                    digest.update(chunk)
                order.attachment_name = upload.name
                order.attachment_sha256 = digest.hexdigest()
                order.attachment_size = upload.size
            order.save()
            return redirect('thanks')
    else:
        form = UploadForm()
    return render(request, 'orders/upload_form.html', {'form': form})


@require_GET
def expire_sessions(request):
    """Test only: ends every session on the server, as an expiry or a restart would."""
    Session.objects.all().delete()
    return HttpResponse('Sessions expired\n', content_type='text/plain')
